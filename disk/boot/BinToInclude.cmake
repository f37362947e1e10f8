# Turns a binary file into the body of a C byte array: cmake -DIN=<file> -DOUT=<file> -P ...
file(READ "${IN}" bytes HEX)
string(LENGTH "${bytes}" length)
if(NOT length EQUAL 1024)
  message(FATAL_ERROR "${IN}: the boot code must be 512 bytes")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${bytes}")
file(WRITE "${OUT}" "${body}\n")
