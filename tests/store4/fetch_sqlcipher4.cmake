# Fetches SQLCipher 4.5.5's amalgamation with npm into DEST/sqlcipher and
# checks that the archive is the one these tests were written against.
#   set(NPM <npm>) set(DEST <folder>) include(fetch_sqlcipher4.cmake)
# A fetch that fails (no registry within reach) sets SQLCIPHER4_UNFETCHED to
# the reason, and the test is skipped; an archive that is not the one
# expected ends the configuration.
set(package "@commapp/sqlcipher-amalgamation@4.5.5")
set(archive_sha256 "5e49e540eb0274d8ba87c1ce680a1143971a2528e0783044a08b39c97ea07d13")
unset(SQLCIPHER4_UNFETCHED)

set(work "${DEST}/download")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
# Retries a refused connection for seconds rather than a minute: a registry
# out of reach only skips a test.
execute_process(
  COMMAND "${NPM}" pack --loglevel=error --prefer-offline
          --fetch-retries=2 --fetch-retry-mintimeout=2000 --fetch-retry-maxtimeout=10000
          --fetch-timeout=60000 "${package}"
  WORKING_DIRECTORY "${work}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE archive
  ERROR_VARIABLE npm_errors
  OUTPUT_STRIP_TRAILING_WHITESPACE
  TIMEOUT 600)
if(NOT result EQUAL 0 OR archive STREQUAL "" OR NOT EXISTS "${work}/${archive}")
  # npm's own account of it: the line that names the cause, else its first.
  string(REGEX MATCH "[^\n]*reason:[^\n]*" cause "${npm_errors}")
  if(cause STREQUAL "")
    string(REGEX MATCH "^[^\n]*" cause "${npm_errors}")
  endif()
  string(REGEX REPLACE "^npm error +" "" cause "${cause}")
  set(SQLCIPHER4_UNFETCHED "npm could not fetch ${package} (${result}): ${cause}")
  file(REMOVE_RECURSE "${work}")
  return()
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
