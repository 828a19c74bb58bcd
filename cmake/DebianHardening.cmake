# The compile flags Debian builds its packages with (dpkg-buildflags with hardening=+all): a stack
# protector, checked C library calls (_FORTIFY_SOURCE, which needs an optimised build and would
# only hide faults from the sanitizers) and format strings that cannot be user input. The linker's
# read-only relocations and immediate binding are set beside the other link options.
add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security -Wdate-time)
if(NOT ZETROVA_SANITIZE AND NOT ZETROVA_FUZZ)
    add_compile_options($<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
endif()
