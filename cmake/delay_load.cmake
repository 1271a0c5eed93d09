# delay_load_library(VAR lib DLL): builds an import library through which
# every function of a system DLL is delay-loaded (the DLL is loaded and the
# function bound on its first call, by __delayLoadHelper2 of the MinGW
# runtime) and sets VAR to its path. The function list comes from the
# toolchain's own import library, so a new call in the program is covered
# without a list to keep.
function(delay_load_library var lib dll)
    find_library(${lib}_import_lib NAMES lib${lib}.a ${lib} REQUIRED NO_CACHE)
    execute_process(COMMAND ${CMAKE_NM} --defined-only ${${lib}_import_lib}
        OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    # "00000000 I __imp__MessageBoxW@16" (i686), "... I __imp_MessageBoxW" (x86-64)
    string(REGEX MATCHALL " I __imp_[^\r\n]+" symbols "${symbols}")
    set(names "")
    foreach(symbol IN LISTS symbols)
        string(REGEX REPLACE "^ I __imp_" "" name "${symbol}")
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
            string(REGEX REPLACE "^_" "" name "${name}")  # the C name's underscore
        endif()
        list(APPEND names "${name}")
    endforeach()
    list(REMOVE_DUPLICATES names)
    if(NOT names)
        message(FATAL_ERROR "no functions found in ${${lib}_import_lib}")
    endif()
    list(JOIN names "\n" exports)

    set(dir ${CMAKE_BINARY_DIR}/delayload)
    file(MAKE_DIRECTORY ${dir})
    file(WRITE ${dir}/${lib}.def "LIBRARY ${dll}\nEXPORTS\n${exports}\n")
    # i686 names carry their stdcall "@n"; the DLL exports them without it.
    set(kill_at "")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(kill_at --kill-at)
    endif()
    # Run in the folder: dlltool names its symbols after the output path.
    execute_process(COMMAND ${CMAKE_DLLTOOL} ${kill_at} --input-def ${lib}.def
        --output-delaylib lib${lib}_delay.a WORKING_DIRECTORY ${dir} COMMAND_ERROR_IS_FATAL ANY)
    set(${var} ${dir}/lib${lib}_delay.a PARENT_SCOPE)
endfunction()

# keep_delay_load_stubs(target lib...): before the target is linked, lists
# the delay-load stubs its objects need (see keep_delay_stubs.cmake) and
# passes them to the linker, so that none is dropped.
function(keep_delay_load_stubs target)
    set(rsp ${CMAKE_CURRENT_BINARY_DIR}/${target}_delay_stubs.rsp)
    add_custom_command(TARGET ${target} PRE_LINK
        COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DOUTPUT=${rsp}
            "-DOBJECTS=$<JOIN:$<FILTER:$<TARGET_OBJECTS:${target}>,INCLUDE,\\.obj$>,$<SEMICOLON>>$<SEMICOLON>$<TARGET_FILE:tarnwick_core>"
            "-DDELAY_LIBS=$<JOIN:${ARGN},$<SEMICOLON>>"
            -P ${PROJECT_SOURCE_DIR}/cmake/keep_delay_stubs.cmake
        VERBATIM)
    target_link_options(${target} PRIVATE @${rsp})
endfunction()
