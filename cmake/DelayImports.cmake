# Delay-import libraries: the program links these instead of the usual import libraries of a few
# system DLLs it needs only now and then (file dialogs, sounds, the heartbeat, the device
# installer), so those DLLs are loaded at their first call instead of at every start. The exports
# the program may call are listed in cmake/delay/<dll>.def with their 32-bit argument sizes;
# dlltool makes the library once, at configure time.
#
# How a delay import works: the program calls through the slot __imp_<name>, which at first holds
# the address of a small stub in the library member's .text ("mov slot, eax; jmp tail-merge"); the
# tail-merge code asks the runtime's __delayLoadHelper2 to load the DLL, writes the real address
# into the slot and jumps there. The 32-bit linker drops the .text of an import-library member
# whose own symbol nobody names (for an ordinary import it only holds an unused "jmp *slot"), and
# the compiler only ever names __imp_<name>: so on i686 the stub is dropped, the slot holds 0 and
# the first call jumps to address 0. Naming every stub symbol as undefined (-u) keeps the stubs.
# The 64-bit linker keeps them anyway. tools/check-image.py checks every slot of the built images.
find_program(ORVANE_DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool REQUIRED)

# orvane_delay_import(<dll>): an imported library target delay_<dll> to link in place of <dll>.
function(orvane_delay_import dll)
    set(def ${CMAKE_SOURCE_DIR}/cmake/delay/${dll}.def)
    set(dir ${CMAKE_BINARY_DIR}/delay)
    set(lib lib${dll}_delay.a)
    set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
    file(MAKE_DIRECTORY ${dir})
    file(STRINGS ${def} exports REGEX "^[A-Za-z_][A-Za-z0-9_]*@[0-9]+$")
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
        # 32-bit: the symbols keep their @size, the names in the DLL have none (-k).
        set(input ${def})
        set(kill -k)
        set(keep_stubs)
        foreach(name IN LISTS exports)
            list(APPEND keep_stubs "LINKER:-u,_${name}")
        endforeach()
    else()
        file(READ ${def} text)
        string(REGEX REPLACE "@[0-9]+" "" text "${text}")
        set(input ${dir}/${dll}.def)
        file(WRITE ${input} "${text}")
        set(kill)
        set(keep_stubs)
    endif()
    # Run in the library's folder with a bare output name: dlltool names the descriptor and the
    # tail-merge code after the output path, which then does not depend on where the tree is.
    execute_process(COMMAND ${ORVANE_DLLTOOL} ${kill} --input-def ${input} --output-delaylib ${lib}
                    WORKING_DIRECTORY ${dir} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "dlltool could not make the delay-import library of ${dll}")
    endif()
    add_library(delay_${dll} STATIC IMPORTED GLOBAL)
    set_target_properties(delay_${dll} PROPERTIES IMPORTED_LOCATION ${dir}/${lib}
                                                  INTERFACE_LINK_OPTIONS "${keep_stubs}")
endfunction()

foreach(dll comdlg32 setupapi shell32 wininet winmm)
    orvane_delay_import(${dll})
endforeach()
