# Run by `cmake --install` and by CPack: writes the machine-wide registration of the component
# for the prefix being installed to, in the system configuration folder that the host reads
# after the user's own (/etc/xdg for /usr, PREFIX/etc/xdg for any other prefix).
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(etc "/etc")
else()
    set(etc "${CMAKE_INSTALL_PREFIX}/etc")
endif()
set(COMPONENTE "${CMAKE_INSTALL_PREFIX}/${TQ614_INSTALL_LIBDIR}/libTQ614.so")
set(destino "$ENV{DESTDIR}${etc}/xdg/Kestrima/registro.ini")
message(STATUS "Installing: ${destino}")
configure_file("${TQ614_PLANTILLA_REGISTRO}" "${destino}" @ONLY)
