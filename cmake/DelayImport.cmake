# zarn_delay_import(dll): an imported library target "delayed_<dll>" whose DLL
# is loaded on the first call of one of its functions rather than at process
# start (mingw-w64's delay-load helper in libmingwex). It is made at configure
# time from the toolchain's own import library: its names become a module
# definition, from which dlltool writes a delay-import library.
function(zarn_delay_import dll)
  if(TARGET delayed_${dll})
    return()
  endif()
  find_program(ZARN_NM ${ZARN_TRIPLET}-nm REQUIRED)
  find_program(ZARN_DLLTOOL ${ZARN_TRIPLET}-dlltool REQUIRED)
  set(import /usr/${ZARN_TRIPLET}/lib/lib${dll}.a)
  set(out ${CMAKE_BINARY_DIR}/delay-import)
  file(MAKE_DIRECTORY ${out})
  execute_process(COMMAND ${ZARN_NM} ${import} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  # "__imp_Name" (64-bit) or "__imp__Name@N" (32-bit, stdcall) for every import.
  string(REGEX MATCHALL "[^\n]* I __imp_[^\n]*" lines "${symbols}")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ".* I __imp_" "" name "${line}")
    if(ZARN_TRIPLET MATCHES "^i686")
      string(REGEX REPLACE "^_" "" name "${name}")
    endif()
    list(APPEND names "${name}")
  endforeach()
  list(REMOVE_DUPLICATES names)
  list(JOIN names "\n" exports)
  file(WRITE ${out}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
  # -k: the DLL exports its names without the stdcall "@N" suffix.
  set(kill "")
  if(ZARN_TRIPLET MATCHES "^i686")
    set(kill -k)
  endif()
  execute_process(COMMAND ${ZARN_DLLTOOL} ${kill} --def ${out}/${dll}.def --dllname ${dll}.dll
                          --output-delaylib ${out}/lib${dll}_delayed.a
                  COMMAND_ERROR_IS_FATAL ANY)
  add_library(delayed_${dll} STATIC IMPORTED GLOBAL)
  set_target_properties(delayed_${dll} PROPERTIES IMPORTED_LOCATION ${out}/lib${dll}_delayed.a)
endfunction()
