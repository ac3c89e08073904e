# Read by cpack before it packs: the environment the Debian tools it runs see.
# The archive's times come from SOURCE_DATE_EPOCH; unless the builder set one, it is the time of
# the last commit, so two builds of one commit, at any paths and times, give the same package.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git log -1 --format=%ct
                    WORKING_DIRECTORY "${CPACK_TICKORA_SOURCE_DIR}"
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
    if(NOT failed AND epoch)
        set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
    endif()
endif()
# A cross build's package: dpkg-shlibdeps reads the program with that architecture's objdump
# and looks for its libraries among that architecture's.
if(CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    set(ENV{DEB_HOST_ARCH} "${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}")
endif()
