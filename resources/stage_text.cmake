# Stages a text file of the program folder: Windows line ends, and the ANSI code page the program
# reads it with (skin.ini is GBK: its skin labels are shown on Chinese systems, so each is written
# in its own language where GBK has the characters, in ASCII otherwise).
#   cmake -DIN=src -DOUT=dst [-DENCODING=GBK] -P stage_text.cmake
if(ENCODING)
    execute_process(COMMAND iconv -f UTF-8 -t ${ENCODING} ${IN}
                    OUTPUT_VARIABLE text RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "iconv could not convert ${IN} to ${ENCODING}")
    endif()
else()
    file(READ ${IN} text)
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUT}.tmp "${text}")
file(RENAME ${OUT}.tmp ${OUT})
