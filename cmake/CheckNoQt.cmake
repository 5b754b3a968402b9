# Fails when a source file of the headless core includes a Qt header.
file(GLOB_RECURSE core_files ${ROOT}/engine/*.h ${ROOT}/engine/*.cpp ${ROOT}/formats/*.h ${ROOT}/formats/*.cpp)
foreach(f ${core_files})
  file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt)")
  if(hits)
    message(FATAL_ERROR "${f} includes Qt: ${hits}")
  endif()
endforeach()
