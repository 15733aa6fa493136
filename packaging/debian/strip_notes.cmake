# Run by CPack on the staged package: the sections that only say which compiler built a
# binary go, as dh_strip does it (CPACK_STRIP_FILES has taken the symbols already).
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
    if(IS_SYMLINK "${file}")
        continue()
    endif()
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
        execute_process(COMMAND strip --remove-section=.comment --remove-section=.note "${file}"
            RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "strip failed on ${file}")
        endif()
    endif()
endforeach()
