# Fetches SQLCipher 4.5.5's amalgamation with npm into DEST/sqlcipher and
# checks that the archive is the one these tests were written against. Any
# failure ends the build: where npm is installed the tests must run.
#   cmake -DNPM=<npm> -DDEST=<folder> -P fetch_sqlcipher4.cmake
set(package "@commapp/sqlcipher-amalgamation@4.5.5")
set(archive_sha256 "5e49e540eb0274d8ba87c1ce680a1143971a2528e0783044a08b39c97ea07d13")

set(work "${DEST}/download")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
execute_process(
  COMMAND "${NPM}" pack --silent --prefer-offline "${package}"
  WORKING_DIRECTORY "${work}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE archive
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT result EQUAL 0 OR archive STREQUAL "" OR NOT EXISTS "${work}/${archive}")
  message(FATAL_ERROR "npm could not fetch ${package} (exit ${result}); "
                      "the record store's SQLCipher 4 test is built from it")
endif()
file(SHA256 "${work}/${archive}" sha256)
if(NOT sha256 STREQUAL archive_sha256)
  message(FATAL_ERROR "${archive} is not the archive of ${package} that was expected "
                      "(SHA-256 ${sha256})")
endif()
file(ARCHIVE_EXTRACT INPUT "${work}/${archive}" DESTINATION "${work}")
file(MAKE_DIRECTORY "${DEST}/sqlcipher")
foreach(name sqlite3.c sqlite3.h)
  file(COPY_FILE "${work}/package/src/${name}" "${DEST}/sqlcipher/${name}")
endforeach()
file(REMOVE_RECURSE "${work}")
