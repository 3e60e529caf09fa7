# Installs the build into a scratch prefix and checks what a package would hold.
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(bin ${STAGE}/${BINDIR})
cmake_path(ABSOLUTE_PATH ARCHIVER_FROM_BINDIR BASE_DIRECTORY ${bin} NORMALIZE
           OUTPUT_VARIABLE archiver_dir)
set(expected
    ${bin}/ticksmith ${bin}/ticksmith-cli ${archiver_dir}/pkunzip
    ${STAGE}/${DATADIR}/applications/com.kestrelbay.Ticksmith.desktop
    ${STAGE}/${DATADIR}/metainfo/com.kestrelbay.Ticksmith.metainfo.xml
    ${STAGE}/${DATADIR}/icons/hicolor/scalable/apps/ticksmith.svg
    ${STAGE}/${MANDIR}/man1/ticksmith.1 ${STAGE}/${MANDIR}/man1/ticksmith-cli.1
    ${STAGE}/${MANDIR}/man1/pkunzip.1)
foreach(size 16 32 48 64 128 256)
  list(APPEND expected ${STAGE}/${DATADIR}/icons/hicolor/${size}x${size}/apps/ticksmith.png)
endforeach()
foreach(file IN LISTS expected)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
# The archiver is private: nothing of that name on the user's PATH.
if(EXISTS ${bin}/pkunzip)
  message(FATAL_ERROR "pkunzip installed beside the programs in ${bin}")
endif()

# The page is made from the commands' own help: a few of them, as a sample.
file(READ ${STAGE}/${MANDIR}/man1/ticksmith-cli.1 page)
foreach(command update import repair)
  if(NOT page MATCHES "\\.SS ${command}\n")
    message(FATAL_ERROR "ticksmith-cli.1 has no section for ${command}")
  endif()
endforeach()
