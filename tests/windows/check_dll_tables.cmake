cmake_minimum_required(VERSION 3.25)
# Reads the DLL's export and import tables and fails unless createCorvexEngine
# is the only export, under its plain name, and every import is a Windows
# system DLL (no GCC runtime DLLs: they are linked in).
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE tables RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${LIBRARY}")
endif()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([ \t]+\\[[^\n]*\n)*)" export_block "${tables}")
# Each entry reads "[   0] name"; the brackets must go before the names form a list.
string(REGEX REPLACE "[ \t]+\\[ *[0-9]+\\] ([^\n]+)\n" "\\1;" exports "${CMAKE_MATCH_1}")
string(REGEX REPLACE ";$" "" exports "${exports}")
if(NOT exports STREQUAL "createCorvexEngine")
    message(FATAL_ERROR "expected the one export createCorvexEngine, found: ${exports}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${tables}")
list(TRANSFORM imports REPLACE "^DLL Name: " "")
list(TRANSFORM imports TOLOWER)
if(NOT "kernel32.dll" IN_LIST imports)
    message(FATAL_ERROR "no import table found: ${imports}")
endif()
set(system_dlls kernel32.dll user32.dll gdi32.dll msvcrt.dll)
foreach(dll IN LISTS imports)
    if(NOT dll IN_LIST system_dlls AND NOT dll MATCHES "^api-ms-win-crt-")
        message(FATAL_ERROR "imports ${dll}, which is not a Windows system DLL")
    endif()
endforeach()
message(STATUS "exports: ${exports}; imports: ${imports}")
