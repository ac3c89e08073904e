# Read by cpack before it packs. The archive's times come from SOURCE_DATE_EPOCH; unless the
# builder set one, it is the time of the last commit, so two builds of one commit, at any paths
# and times, give the same package.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git log -1 --format=%ct
                    WORKING_DIRECTORY "${CPACK_TICKORA_SOURCE_DIR}"
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
    if(NOT failed AND epoch)
        set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
    endif()
endif()
