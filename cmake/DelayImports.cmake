# Delay-import libraries: the program links these instead of the usual import libraries of a few
# system DLLs it needs only now and then (file dialogs, sounds, the heartbeat, the device
# installer), so those DLLs are loaded at their first call instead of at every start. The exports
# the program may call are listed in cmake/delay/<dll>.def with their 32-bit argument sizes;
# dlltool makes the library once, at configure time.
find_program(ORVANE_DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool REQUIRED)

# orvane_delay_import(<dll>): an imported library target delay_<dll> to link in place of <dll>.
function(orvane_delay_import dll)
    set(def ${CMAKE_SOURCE_DIR}/cmake/delay/${dll}.def)
    set(dir ${CMAKE_BINARY_DIR}/delay)
    set(lib ${dir}/lib${dll}_delay.a)
    set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
    file(MAKE_DIRECTORY ${dir})
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
        # 32-bit: the symbols keep their @size, the names in the DLL have none (-k).
        set(input ${def})
        set(kill -k)
    else()
        file(READ ${def} text)
        string(REGEX REPLACE "@[0-9]+" "" text "${text}")
        set(input ${dir}/${dll}.def)
        file(WRITE ${input} "${text}")
        set(kill)
    endif()
    execute_process(COMMAND ${ORVANE_DLLTOOL} ${kill} --input-def ${input} --output-delaylib ${lib}
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "dlltool could not make the delay-import library of ${dll}")
    endif()
    add_library(delay_${dll} STATIC IMPORTED GLOBAL)
    set_target_properties(delay_${dll} PROPERTIES IMPORTED_LOCATION ${lib})
endfunction()

foreach(dll comdlg32 setupapi shell32 wininet winmm)
    orvane_delay_import(${dll})
endforeach()
