# The repository stands alone: no script, document, test or source file
# reads data from beside the source tree (a folder next to a clone is not
# part of it). Fails, naming every file and line, when one refers to the
# shared data folder outside the repository; data a test or the demo needs
# is copied into the repository (examples/, tests/) with a note where it
# comes from.
#
#   cmake -DSOURCE_DIR=<project root> -P stands_alone.cmake

# The patterns are written so that this file does not match them itself.
set(outside "[.][.]/shar[e]d/|shar[e]d/dat[a]/")

file(GLOB top RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
set(failures "")
foreach(entry ${top})
  # Build folders and version-control files are not part of the sources.
  if(entry MATCHES "^(build|\\.)")
    continue()
  endif()
  if(IS_DIRECTORY ${SOURCE_DIR}/${entry})
    file(GLOB_RECURSE files ${SOURCE_DIR}/${entry}/*)
  else()
    set(files ${SOURCE_DIR}/${entry})
  endif()
  foreach(f ${files})
    # Links (the case folders link to devices such as /dev/full) are not
    # read.
    if(IS_SYMLINK ${f})
      continue()
    endif()
    file(STRINGS ${f} hits REGEX "${outside}")
    if(hits)
      file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
      foreach(h IN LISTS hits)
        string(APPEND failures "${rel}: ${h}\n")
      endforeach()
    endif()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "Files that read data from outside the repository:\n${failures}")
endif()
message(STATUS "No file reads data from outside the repository.")
