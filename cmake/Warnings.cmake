# Warnings for our own targets; third-party code (GoogleTest) does not get them.
function(kv_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow=local -Wno-missing-field-initializers)
    if(KV_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
