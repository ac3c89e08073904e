# What the tests need to run under Wine beyond the DLLs on WINEPATH (scripts/windows.sh): Qt's
# plugins and Chinese catalogue through a qt.conf beside them, and for the offscreen platform,
# whose fonts on Windows come from one folder, the fonts the tests name.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/qt.conf "${TICKORA_QT_CONF}")
# Qt Test writes to the debugger, not to its output, when no console is attached; told to, it
# writes where CTest reads.
set(test_environment "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=" "WINEQT_FORCE_STDERR_LOGGING=1")

set(font_dir ${CMAKE_CURRENT_BINARY_DIR}/fonts)
file(MAKE_DIRECTORY ${font_dir})
foreach(family "DejaVu Sans" "Noto Sans" "Cantarell" "WenQuanYi Micro Hei")
    execute_process(COMMAND fc-match -f "%{file}" "${family}" OUTPUT_VARIABLE font_file RESULT_VARIABLE failed)
    get_filename_component(font_name "${font_file}" NAME)
    if(failed OR NOT EXISTS "${font_file}")
        message(FATAL_ERROR "fc-match finds no file for ${family}")
    endif()
    file(CREATE_LINK "${font_file}" "${font_dir}/${font_name}" SYMBOLIC)
endforeach()
set(offscreen_environment "WINEQT_QPA_FONTDIR=Z:${font_dir}")

# tickora_skipped_test(name reason): a test that has no meaning on Windows, listed as skipped
# with its reason rather than left out.
function(tickora_skipped_test name reason)
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "SKIP   : ${name} on Windows: ${reason}")
    set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP   : ")
endfunction()
