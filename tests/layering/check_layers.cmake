# The layers of the program and what each may include. A layer includes its
# own headers and those of the layers below it, never one above or beside
# it; the analyses and the numerical routines write nothing, so they include
# neither the console nor the results listing. Fails, naming every file and
# include, when a source file breaks the rule.
#
#   cmake -DSOURCE_DIR=<project root> -P check_layers.cmake

set(layers core numeric model input conditioning analysis report files plot print driver importer)

set(allowed_core core)
set(allowed_numeric numeric)
set(allowed_model model core)
set(allowed_input input model numeric core)
set(allowed_conditioning conditioning model numeric core)
set(allowed_analysis analysis model numeric core)
set(allowed_report report analysis input model numeric core)
set(allowed_files files analysis model numeric core)
set(allowed_plot plot analysis input model numeric core)
set(allowed_print print core)
set(allowed_driver driver report files plot print analysis input conditioning model numeric core)
set(allowed_importer importer core)

# Headers that make a layer write to the console or the listing.
set(writing core/console.h core/listing_channel.h core/file_reports.h core/stop.h)
set(silent numeric analysis)

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
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "Includes against the layering:\n${text}")
endif()
message(STATUS "Every include goes down the layers.")
