# Writes the package managers' manifests for a release from the templates beside this file, with the
# SHA-256 of the files they download:
#   cmake -DVERSION=1.3.0 -DHOMEPAGE=<url> -DZIP=<the zip> -DINSTALLER=<the installer>
#         -DLICENSE=<LICENSE> -DOUTPUT=<folder> -P manifests.cmake
# OUTPUT/winget/ receives the three files of a winget manifest (version, installer, default locale),
# OUTPUT/scoop/ the scoop manifest. The downloads are looked for under HOMEPAGE/releases/VERSION/.
set(RELEASES ${HOMEPAGE}/releases)
file(SHA256 ${ZIP} ZIP_SHA256) # scoop takes lower-case hex
file(SHA256 ${INSTALLER} INSTALLER_SHA256)
string(TOUPPER ${INSTALLER_SHA256} INSTALLER_SHA256) # winget's manifests write it in upper case
file(STRINGS ${LICENSE} notice REGEX "^Copyright \\(c\\) " LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright \\(c\\) " "" COPYRIGHT "${notice}")
string(REGEX REPLACE "^[0-9, -]+ " "" PUBLISHER "${COPYRIGHT}")

get_filename_component(templates ${CMAKE_CURRENT_LIST_DIR} ABSOLUTE)
foreach(template winget/Quorvel.Quorvel.yaml winget/Quorvel.Quorvel.installer.yaml
                 winget/Quorvel.Quorvel.locale.en-US.yaml scoop/quorvel.json)
    configure_file(${templates}/${template}.in ${OUTPUT}/${template} @ONLY NEWLINE_STYLE LF)
endforeach()
