# Writes tovik.desktop into the install folder from TOVIK_DESKTOP_IN, with the folder's path
# escaped as a desktop entry reads it (the same rules as the autostart entry the program
# writes): a folder named with quotes, "$", "\" or "%" must still start the program.
set(dir "${CMAKE_INSTALL_PREFIX}")
if(dir MATCHES "[\n\r\t]")
    message(WARNING "tovik.desktop not written: the folder's name holds a newline or a tab")
    return()
endif()

# Path= and Icon= are plain string values: "\" is their one escape, and a leading space
# would be dropped.
string(REPLACE "\\" "\\\\" TOVIK_INSTALL_DIR "${dir}")
string(REGEX REPLACE "^ " "\\\\s" TOVIK_INSTALL_DIR "${TOVIK_INSTALL_DIR}")

# Exec= is a quoted argument: inside the quotes ", `, $ and \ take a backslash; then the
# string value's escapes go on top, and "%" doubles. GLib looks a program up by its name as
# Exec spells it, "%%" and all, so a path with "%" goes to sh as an argument.
string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${dir}/tovik")
set(exec "\"${exec}\"")
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
if(dir MATCHES "%")
    set(exec "/bin/sh -c \"exec \\\\\"\\\\$0\\\\\"\" ${exec}")
endif()
set(TOVIK_EXEC "${exec}")

# Not configure_file: it would turn a "\" of the folder's name into "/".
file(READ "${TOVIK_DESKTOP_IN}" entry)
string(CONFIGURE "${entry}" entry @ONLY)
file(WRITE "${dir}/tovik.desktop" "${entry}")
message(STATUS "Installing: ${dir}/tovik.desktop")
