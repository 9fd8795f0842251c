# The layers of the program and what each may include. A layer includes its
# own headers and those of the layers below it, never one above or beside
# it. The numerical routines, the model and the analyses compute only: they
# include neither the console, the results listing nor the file writers, and
# write to no stream or file. Every output file is opened by the output gate
# (core/output_gate.cpp with the checked writer it uses): no other source
# file creates, renames or writes a file. Fails, naming every file and
# include, when a source file breaks a rule.
#
#   cmake -DSOURCE_DIR=<project root> -P check_layers.cmake

cmake_policy(SET CMP0007 NEW)

set(layers core numeric model input conditioning analysis figure report files plot print driver importer)

set(allowed_core core)
set(allowed_numeric numeric)
set(allowed_model model core)
set(allowed_input input model numeric core)
set(allowed_conditioning conditioning model numeric core)
set(allowed_analysis analysis conditioning input model numeric core)
set(allowed_figure figure numeric core)
set(allowed_report report figure analysis input model numeric core)
set(allowed_files files analysis model numeric core)
set(allowed_plot plot figure analysis input model numeric core)
set(allowed_print print core)
set(allowed_driver driver report files plot print figure analysis input conditioning model numeric core)
set(allowed_importer importer core)

# Headers that make a layer write to the console, the listing or a file.
set(writing core/console.h core/listing_channel.h core/file_reports.h core/stop.h
    core/checked_file.h core/output_gate.h)
set(silent numeric model analysis figure)
# Writing to a stream or a file, in code that computes only.
set(stream_writes "std::cout|std::cerr|std::clog|[^a-z]printf\\(|puts\\(|fwrite\\(|fputs\\(|ofstream")
# Creating, renaming or opening a file for writing: only the gate and the
# checked writer do (the command line may write its usage to the console).
set(file_writes "O_WRONLY|O_CREAT|O_RDWR|ofstream|fopen\\([^)]*\"[wa+]|mkstemp|rename\\(|copy_file|create_directory")
set(gate_files core/checked_file.cpp core/output_gate.cpp)

set(failures "")
foreach(layer ${layers})
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
      string(REGEX MATCH "^[^/]+" folder "${header}")
      list(FIND layers "${folder}" known)
      if(known LESS 0)
        continue()
      endif()
      list(FIND allowed_${layer} "${folder}" ok)
      file(RELATIVE_PATH rel ${SOURCE_DIR} ${source})
      if(ok LESS 0)
        list(APPEND failures "${rel}: ${layer} includes ${header} (${folder} is not below ${layer})")
      endif()
      list(FIND silent "${layer}" quiet)
      list(FIND writing "${header}" writes)
      if(quiet GREATER -1 AND writes GREATER -1)
        list(APPEND failures "${rel}: ${layer} computes only and may not include ${header}")
      endif()
    endforeach()
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${source})
    list(FIND silent "${layer}" quiet)
    if(quiet GREATER -1)
      file(STRINGS ${source} lines REGEX "${stream_writes}")
      foreach(line ${lines})
        list(APPEND failures "${rel}: ${layer} computes only and may not write: ${line}")
      endforeach()
    endif()
    list(FIND gate_files "${rel}" gate)
    if(gate LESS 0 AND NOT layer STREQUAL "importer")
      file(STRINGS ${source} lines REGEX "${file_writes}")
      foreach(line ${lines})
        list(APPEND failures "${rel}: only the output gate opens output files: ${line}")
      endforeach()
    endif()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "Includes against the layering:\n${text}")
endif()
message(STATUS "Every include goes down the layers.")
