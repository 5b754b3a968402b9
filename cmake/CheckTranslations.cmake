# Every text of the window has its translation: lupdate reads the sources into a copy of
# each app/translations/*.ts, which must then hold no unfinished entry (a new caption
# without a translation would show Japanese in that language).
# Usage: cmake -DROOT=<checkout> -DLUPDATE=<lupdate> -DWORK=<folder> -P CheckTranslations.cmake
file(GLOB ts_files ${ROOT}/app/translations/*.ts)
if(NOT ts_files)
  message(FATAL_ERROR "no translation in ${ROOT}/app/translations")
endif()
file(MAKE_DIRECTORY ${WORK})
set(failed "")
foreach(ts ${ts_files})
  get_filename_component(name ${ts} NAME)
  configure_file(${ts} ${WORK}/${name} COPYONLY)
  execute_process(
    COMMAND ${LUPDATE} -silent -I ${ROOT} -locations none -no-obsolete ${ROOT}/app ${ROOT}/editing
            -ts ${WORK}/${name}
    RESULT_VARIABLE status OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed on ${name}")
  endif()
  file(STRINGS ${WORK}/${name} lines ENCODING UTF-8)
  set(source "")
  foreach(line IN LISTS lines)
    if(line MATCHES "<source>(.*)</source>")
      set(source "${CMAKE_MATCH_1}")
    elseif(line MATCHES "type=\"unfinished\"")
      list(APPEND failed "${name}: ${source}")
    endif()
  endforeach()
endforeach()
if(failed)
  list(JOIN failed "\n  " list)
  message(FATAL_ERROR "texts without a translation (run lupdate as the README says):\n  ${list}")
endif()
