# cmake -P keep_delay_stubs.cmake: run before an exe that delay-loads is
# linked. Writes OUTPUT, a response file of -Wl,-u options naming the
# delay-load stub of every delay-loaded function the exe's objects call.
#
# Why: the program calls a system function through its import pointer
# (__imp_X); the pointer's first value is the address of the stub X, which
# loads the DLL on the first call. GNU ld drops the code of an import library
# member whose own symbol nothing names, as it does for the unused jump stubs
# of ordinary imports; for i686 it does so for delay-load stubs too, leaving
# every pointer 0 and the first call a jump to address 0. Naming each stub
# keeps it.
#
# Variables: NM, OUTPUT, OBJECTS (objects and archives the exe links, ";"
# separated) and DELAY_LIBS (the delay-load import libraries).
cmake_minimum_required(VERSION 3.21)
set(wanted "")
foreach(object IN LISTS OBJECTS)
    execute_process(COMMAND ${NM} -u ${object} OUTPUT_VARIABLE undefined ERROR_QUIET)
    string(REGEX MATCHALL "__imp_[^\r\n ]+" found "${undefined}")
    list(APPEND wanted ${found})
endforeach()
set(options "")
foreach(lib IN LISTS DELAY_LIBS)
    execute_process(COMMAND ${NM} --defined-only ${lib} OUTPUT_VARIABLE defined
        COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL " I __imp_[^\r\n]+" pointers "${defined}")
    foreach(pointer IN LISTS pointers)
        string(REGEX REPLACE "^ I " "" pointer "${pointer}")
        if(pointer IN_LIST wanted)
            string(REGEX REPLACE "^__imp_" "" stub "${pointer}")
            list(APPEND options "-Wl,-u,${stub}")
        endif()
    endforeach()
endforeach()
list(REMOVE_DUPLICATES options)
list(JOIN options "\n" text)
file(WRITE ${OUTPUT} "${text}\n")
