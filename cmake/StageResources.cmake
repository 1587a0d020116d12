# Puts the settings file and the resource folder beside an executable, as the program expects
# them. Run with -DSOURCE=<resources folder> -DTARGET_DIR=<executable's folder>. What the source
# folder does not hold is left out; the program reports a missing settings file when it starts.
if(EXISTS "${SOURCE}/Quillon.ini")
    file(COPY "${SOURCE}/Quillon.ini" DESTINATION "${TARGET_DIR}")
endif()
if(IS_DIRECTORY "${SOURCE}/Resources")
    file(COPY "${SOURCE}/Resources" DESTINATION "${TARGET_DIR}")
endif()
if(IS_DIRECTORY "${SOURCE}/Projects")
    file(COPY "${SOURCE}/Projects" DESTINATION "${TARGET_DIR}")
endif()
file(MAKE_DIRECTORY "${TARGET_DIR}/Projects" "${TARGET_DIR}/EDSFiles")
