# Copies the editor's page into the bundle and writes ui/manifest.json with
# the build time, the source revision and a SHA-256 over the UI files.
#   cmake -DUI_SOURCE=<repo>/ui -DUI_DEST=<bundle>/Contents/Resources/ui
#         -DSOURCE_DIR=<repo> -P ui_bundle.cmake
# The digest covers, for every file except manifest.json in byte order of its
# relative path, the line "<sha256 of the file>  <relative path>\n", so a
# renamed, added, removed or edited file changes it.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${UI_DEST}")
file(MAKE_DIRECTORY "${UI_DEST}")
file(COPY "${UI_SOURCE}/" DESTINATION "${UI_DEST}")
file(REMOVE "${UI_DEST}/manifest.json")

file(GLOB_RECURSE files RELATIVE "${UI_DEST}" "${UI_DEST}/*")
list(SORT files COMPARE STRING)
set(listing "")
foreach(file IN LISTS files)
  file(SHA256 "${UI_DEST}/${file}" digest)
  string(APPEND listing "${digest}  ${file}\n")
endforeach()
string(SHA256 ui_sha256 "${listing}")

set(revision "unknown")
find_program(GIT_EXECUTABLE git)
if(GIT_EXECUTABLE)
  execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse HEAD
                  WORKING_DIRECTORY "${SOURCE_DIR}"
                  OUTPUT_VARIABLE head OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE status ERROR_QUIET)
  if(status EQUAL 0 AND head MATCHES "^[0-9a-f]+$")
    set(revision "${head}")
  endif()
endif()

string(TIMESTAMP build_time "%Y-%m-%dT%H:%M:%SZ" UTC)
file(WRITE "${UI_DEST}/manifest.json"
  "{\"buildTime\":\"${build_time}\",\"sourceRevision\":\"${revision}\",\"sha256\":\"${ui_sha256}\"}\n")
