# Running the cross-built programs on this Linux machine under Wine: the
# emulator given on the command line (wine) is wrapped by a script that fixes
# the Wine prefix and the DLL search path, so that CTest, custom commands and
# people all run them the same way: build-win64/wine-run program.exe args.

# The mingw runtime every program and Qt itself links against; shipped beside
# the programs in the zips.
set(FELDMOOR_MINGW_RUNTIME_DLLS)
foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
        OUTPUT_VARIABLE runtime_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(runtime_dll "${runtime_dll}" REALPATH)
    if(NOT EXISTS "${runtime_dll}")
        message(FATAL_ERROR "mingw runtime ${name} not found (package g++-mingw-w64-x86-64-posix)")
    endif()
    list(APPEND FELDMOOR_MINGW_RUNTIME_DLLS ${runtime_dll})
endforeach()

set(FELDMOOR_WINE "${CMAKE_CROSSCOMPILING_EMULATOR}")
if(FELDMOOR_WINE STREQUAL "" OR FELDMOOR_WINE MATCHES "wine-run$")
    set(FELDMOOR_WINE wine)
endif()
find_program(FELDMOOR_WINE_PROGRAM ${FELDMOOR_WINE} REQUIRED)
find_program(FELDMOOR_WINESERVER_PROGRAM wineserver
    PATHS /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine /usr/lib64/wine REQUIRED)
set(FELDMOOR_WINE ${FELDMOOR_WINE_PROGRAM})
set(FELDMOOR_WINESERVER ${FELDMOOR_WINESERVER_PROGRAM})
set(FELDMOOR_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)

# Windows paths of the folders DLLs come from: Qt (whose plugins and fonts
# are found relative to its DLLs), the build's own DLLs, the mingw runtime.
get_filename_component(qt_bin_dir "${Qt6_DIR}/../../../bin" ABSOLUTE)
set(dll_dirs ${qt_bin_dir} ${CMAKE_BINARY_DIR}/bin)
foreach(runtime_dll IN LISTS FELDMOOR_MINGW_RUNTIME_DLLS)
    get_filename_component(runtime_dir ${runtime_dll} DIRECTORY)
    list(APPEND dll_dirs ${runtime_dir})
endforeach()
list(REMOVE_DUPLICATES dll_dirs)
# Joined without a trailing separator: Wine puts WINEPATH before PATH, and
# cmd.exe stops finding programs such as taskkill behind an empty element.
set(windows_dirs)
foreach(dir IN LISTS dll_dirs)
    string(REPLACE "/" "\\" windows_dir "Z:${dir}")
    list(APPEND windows_dirs "${windows_dir}")
endforeach()
list(JOIN windows_dirs ";" FELDMOOR_WINEPATH)

configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
