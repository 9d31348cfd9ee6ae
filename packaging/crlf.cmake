# Copies a text file with CR LF line ends, for the readers of Windows:
#   cmake -DSOURCE=README.md -DOUTPUT=README.txt -P crlf.cmake
file(READ "${SOURCE}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUTPUT}" "${text}")
