# Fails unless the bundle's dynamic symbol table holds the module entry points,
# GetPluginFactory and the diagnostic bridge functions, and otherwise only
# talvo* C functions.
#   cmake -DNM=<nm> -DLIBRARY=<Oriel.so> -P check_exports.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND "${NM}" -D --defined-only "${LIBRARY}"
                OUTPUT_VARIABLE table RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot read the symbols of ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${table}")
set(found "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]* +[A-Za-z] +([^ ]+)$")
    set(name "${CMAKE_MATCH_1}")
    if(NOT name MATCHES "^(GetPluginFactory|ModuleEntry|ModuleExit|talvo[A-Z][A-Za-z0-9_]*)$")
      message(FATAL_ERROR "unexpected export: ${name}")
    endif()
    list(APPEND found "${name}")
  endif()
endforeach()
foreach(required GetPluginFactory ModuleEntry ModuleExit talvoDiagnosticBridgeAbiVersion
                 talvoInstallDiagnosticBridgeSink talvoDeliverDiagnosticBridgeMessage talvoTickDiagnosticCadence)
  if(NOT required IN_LIST found)
    message(FATAL_ERROR "missing export: ${required}")
  endif()
endforeach()
list(LENGTH found count)
message(STATUS "${count} exports, all expected")
