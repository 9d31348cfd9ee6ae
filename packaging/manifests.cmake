# Writes the package managers' manifests for a release from the templates beside this file, with the
# SHA-256 of the files they download:
#   cmake -DVERSION=1.3.0 -DHOMEPAGE=<the release address, or empty> -DZIP=<the zip>
#         -DINSTALLER=<the installer> -DSOURCE=<source tree> [-DGIT=<git>] -DOUTPUT=<folder>
#         -P manifests.cmake
# OUTPUT/winget/ receives the three files of a winget manifest (version, installer, default locale),
# OUTPUT/scoop/ the scoop manifest, OUTPUT/LICENSE.txt the license they name. HOMEPAGE is the project's
# address; the release's files are looked for under HOMEPAGE/releases/VERSION/, and scoop looks for
# newer versions under HOMEPAGE/releases/. Without one the manifests name a placeholder and say that
# they are not for publishing. The release date is the commit's.
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/QuorvelCommit.cmake)
set(UNPUBLISHABLE_NOTE "Not for publishing: made without a release address (make dist QUORVEL_HOMEPAGE=https://...).")
if(HOMEPAGE STREQUAL "")
    set(HOMEPAGE "https://example.org/quorvel")
    set(YAML_NOTE "# ${UNPUBLISHABLE_NOTE}\n")
    set(JSON_NOTE "    \"##\": \"${UNPUBLISHABLE_NOTE}\",\n")
    message(NOTICE "manifests: ${UNPUBLISHABLE_NOTE}")
else()
    string(REGEX REPLACE "/+$" "" HOMEPAGE "${HOMEPAGE}")
    set(YAML_NOTE "")
    set(JSON_NOTE "")
endif()
set(RELEASES ${HOMEPAGE}/releases)
quorvel_commit_of(${SOURCE} "${GIT}" commit RELEASE_DATE)
file(SHA256 ${ZIP} ZIP_SHA256) # scoop takes lower-case hex
file(SHA256 ${INSTALLER} INSTALLER_SHA256)
string(TOUPPER ${INSTALLER_SHA256} INSTALLER_SHA256) # winget's manifests write it in upper case
set(LICENSE ${SOURCE}/LICENSE)
file(STRINGS ${LICENSE} notice REGEX "^Copyright \\(c\\) " LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright \\(c\\) " "" COPYRIGHT "${notice}")
string(REGEX REPLACE "^[0-9, -]+ " "" PUBLISHER "${COPYRIGHT}")

get_filename_component(templates ${CMAKE_CURRENT_LIST_DIR} ABSOLUTE)
foreach(template winget/Quorvel.Quorvel.yaml winget/Quorvel.Quorvel.installer.yaml
                 winget/Quorvel.Quorvel.locale.en-US.yaml scoop/quorvel.json)
    configure_file(${templates}/${template}.in ${OUTPUT}/${template} @ONLY NEWLINE_STYLE LF)
endforeach()
configure_file(${LICENSE} ${OUTPUT}/LICENSE.txt COPYONLY)
