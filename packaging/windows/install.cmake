# What the Windows zips hold, as CMake install components; scripts/package-windows
# installs them into a folder each and zips it.
#   app        Feldmoor.exe with the Qt and mingw runtime DLLs it loads, laid
#              out as windeployqt would (windeployqt does not run when
#              cross-building), and README.txt about the vendor's pieces.
#   simulator  the simulated QB562DLLA64.DLL, the OpenOCD stand-in with its
#              scripts, simbit.exe, the proxy bitstreams and a sample board.
# The simulator zip's README.txt replaces the app's one (component
# simulator_readme, app_readme for the plain zip); the installer has its own
# (installer_readme), and installs app into its main feature and simulator
# into the optional "Simulated board" one (packaging/windows/make-msi.cmake).

install(TARGETS feldmoor RUNTIME DESTINATION . COMPONENT app)
install(TARGETS feldmoor-cli RUNTIME DESTINATION . COMPONENT app)
foreach(module Core Gui Widgets)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION . COMPONENT app)
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms COMPONENT app)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles COMPONENT app)
# The window icon is an .ico resource; Qt reads that format through a plugin.
install(FILES $<TARGET_FILE:Qt6::QICOPlugin> DESTINATION imageformats COMPONENT app)
# SQLite records, where the loader reaches them through Qt SQL.
if(FELDMOOR_QTSQL_RECORDS)
    install(FILES $<TARGET_FILE:Qt6::Sql> DESTINATION . COMPONENT app)
    if(TARGET Qt6::QSQLiteDriverPlugin)
        install(FILES $<TARGET_FILE:Qt6::QSQLiteDriverPlugin> DESTINATION sqldrivers COMPONENT app)
    endif()
endif()
if(FELDMOOR_MINGW_RUNTIME_DLLS)
    install(FILES ${FELDMOOR_MINGW_RUNTIME_DLLS} DESTINATION . COMPONENT app)
endif()

set(FELDMOOR_VERSION ${PROJECT_VERSION})
configure_file(${CMAKE_CURRENT_LIST_DIR}/README.txt.in
    ${CMAKE_BINARY_DIR}/packaging/app/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_CURRENT_LIST_DIR}/README-simulator.txt.in
    ${CMAKE_BINARY_DIR}/packaging/simulator/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/packaging/app/README.txt DESTINATION . COMPONENT app_readme)
install(FILES ${CMAKE_BINARY_DIR}/packaging/simulator/README.txt DESTINATION . COMPONENT simulator_readme)
configure_file(${CMAKE_CURRENT_LIST_DIR}/README-installer.txt.in
    ${CMAKE_BINARY_DIR}/packaging/installer/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/packaging/installer/README.txt DESTINATION . COMPONENT installer_readme)

if(TARGET qb562)
    install(TARGETS qb562 RUNTIME DESTINATION . COMPONENT simulator)
endif()
if(TARGET openocd_sim AND TARGET simbit)
    # The stand-in, its scripts and the proxies exactly as the build lays them
    # out beside the window.
    install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/OpenOCD_QB562 ${CMAKE_BINARY_DIR}/bin/FPGABit
        DESTINATION . COMPONENT simulator)
    install(TARGETS simbit RUNTIME DESTINATION . COMPONENT simulator)

    # A board to try it on: the bus folder with adapter 0 plugged, its FPGA
    # named, and a bitstream and a flash image made for that part.
    set(sample_dir ${CMAKE_BINARY_DIR}/packaging/sample)
    file(WRITE ${sample_dir}/bus/adapter0/part "${FELDMOOR_DEFAULT_PART}\n")
    add_custom_command(OUTPUT ${sample_dir}/top.bit ${sample_dir}/top.bin
        COMMAND simbit bit ${FELDMOOR_DEFAULT_PART} ${sample_dir}/top.bit
        COMMAND simbit bin ${sample_dir}/top.bin --size 262144 --part ${FELDMOOR_DEFAULT_PART}
        DEPENDS simbit
        COMMENT "Making the sample board for the simulator zip")
    add_custom_target(windows_sample ALL DEPENDS ${sample_dir}/top.bit ${sample_dir}/top.bin)
    install(DIRECTORY ${sample_dir}/ DESTINATION sample COMPONENT simulator)

    # What the "Feldmoor (simulated board)" shortcut starts: the window on a
    # fresh copy of that board.
    add_executable(feldmoor_sim WIN32 ${CMAKE_CURRENT_LIST_DIR}/feldmoor-sim.cpp)
    set_target_properties(feldmoor_sim PROPERTIES OUTPUT_NAME feldmoor-sim)
    install(TARGETS feldmoor_sim RUNTIME DESTINATION . COMPONENT simulator)
endif()
