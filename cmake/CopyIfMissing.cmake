# cmake -DSOURCE=... -DDEST=... -P CopyIfMissing.cmake
# Copies SOURCE to DEST only when DEST does not exist yet, so a rebuild never
# replaces the user's settings and log in the program folder's database.
if(NOT EXISTS "${DEST}")
    file(COPY_FILE "${SOURCE}" "${DEST}")
endif()
