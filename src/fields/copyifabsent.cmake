# cmake -DSOURCE=<file> -DTARGET=<file> -P copyifabsent.cmake: copies SOURCE to TARGET unless TARGET exists.
if(NOT EXISTS "${TARGET}")
    get_filename_component(targetDir "${TARGET}" DIRECTORY)
    file(MAKE_DIRECTORY "${targetDir}")
    file(COPY_FILE "${SOURCE}" "${TARGET}")
    message(STATUS "Installed default settings file ${TARGET}")
endif()
