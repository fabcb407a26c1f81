# Builds one language's help file: gen_help.pl prepares the project, chmcmd compiles it, and the
# result is checked before it replaces the staged copy (chmcmd can end with a crash and an empty file).
#   cmake -DPERL= -DCHMCMD= -DHELP_DIR= -DCODE= -DWORK= -DCHM= -DOUT= -P build_chm.cmake
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${PERL} ${HELP_DIR}/gen_help.pl ${HELP_DIR} ${CODE} ${WORK}
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "help: preparing the ${CODE} topics failed")
endif()
execute_process(COMMAND ${CHMCMD} project.hhp WORKING_DIRECTORY ${WORK}
                OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE failed)
set(size 0)
if(EXISTS ${WORK}/${CHM})
    file(SIZE ${WORK}/${CHM} size)
endif()
if(failed OR size LESS 4096 OR log MATCHES "[Ee]rror|[Ee]xception")
    message(FATAL_ERROR "help: chmcmd failed on ${CHM} (exit ${failed}, ${size} bytes):\n${log}")
endif()
file(COPY_FILE ${WORK}/${CHM} ${OUT})
