# Makes the Windows installer from install components staged by
# scripts/package-windows: every file under APP_DIR belongs to the main
# feature, every file under SIMULATOR_DIR to "Simulated board", so what the
# install rules put in a component is what the MSI installs, with no list of
# its own. The fixed parts are in Feldmoor.wxs.in.
# Usage: cmake -DVERSION=1.1 -DAPP_DIR=... -DSIMULATOR_DIR=... -DICON=Feldmoor.ico
#              -DMSI=Feldmoor-1.1-win64.msi -P make-msi.cmake
# The WiX source is left beside the MSI's staging as <MSI name>.wxs in WXS_DIR
# (default: the folder of APP_DIR).
cmake_minimum_required(VERSION 3.22)

foreach(var VERSION APP_DIR SIMULATOR_DIR ICON MSI)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "make-msi.cmake: -D${var}=... missing")
    endif()
endforeach()
if(NOT DEFINED WXS_DIR)
    get_filename_component(WXS_DIR "${APP_DIR}" DIRECTORY)
endif()
foreach(var APP_DIR SIMULATOR_DIR ICON MSI WXS_DIR)
    get_filename_component(${var} "${${var}}" ABSOLUTE)
endforeach()
if(NOT VERSION MATCHES "^[0-9]+\\.[0-9]+(\\.[0-9]+)?$")
    message(FATAL_ERROR "make-msi.cmake: ${VERSION} is no Windows Installer version (major.minor[.build])")
endif()
find_program(WIXL wixl)
if(NOT WIXL)
    message(FATAL_ERROR "make-msi.cmake: wixl missing: apt-get install wixl")
endif()

# wixl takes sources only as paths relative to the WiX source.
function(source_path path out)
    file(RELATIVE_PATH path "${WXS_DIR}" "${path}")
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

# Folders and files get identifiers from their paths, so that they stay the
# same from one build to the next.
function(path_id prefix path out)
    string(MD5 hash "${path}")
    string(SUBSTRING "${hash}" 0 20 hash)
    set(${out} "${prefix}${hash}" PARENT_SCOPE)
endfunction()

function(xml_escape text out)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    string(REPLACE "\"" "&quot;" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(dirs_INSTALLDIR)
set(files_INSTALLDIR)
set(seen)
foreach(feature APP SIMULATOR)
    set(root "${${feature}_DIR}")
    if(NOT IS_DIRECTORY "${root}")
        message(FATAL_ERROR "make-msi.cmake: ${root} is no folder")
    endif()
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
    list(SORT files)
    set(refs_${feature})
    foreach(rel IN LISTS files)
        if(rel IN_LIST seen)
            message(FATAL_ERROR "make-msi.cmake: ${rel} is in both features")
        endif()
        list(APPEND seen "${rel}")
        path_id(c "${rel}" id)
        source_path("${root}/${rel}" source_${id})
        get_filename_component(name_${id} "${rel}" NAME)
        string(APPEND refs_${feature} "      <ComponentRef Id=\"${id}\"/>\n")

        # Registers the file's folder and each folder above it with its parent.
        get_filename_component(dir "${rel}" DIRECTORY)
        set(parent_id INSTALLDIR)
        set(walked "")
        if(NOT dir STREQUAL "")
            string(REPLACE "/" ";" parts "${dir}")
            foreach(part IN LISTS parts)
                string(APPEND walked "${part}/")
                path_id(d "${walked}" dir_id)
                if(NOT dir_id IN_LIST dirs_${parent_id})
                    list(APPEND dirs_${parent_id} ${dir_id})
                    set(dirname_${dir_id} "${part}")
                    set(dirs_${dir_id})
                    set(files_${dir_id})
                endif()
                set(parent_id ${dir_id})
            endforeach()
        endif()
        list(APPEND files_${parent_id} ${id})
    endforeach()
endforeach()

foreach(needed Feldmoor.exe README.txt)
    if(NOT EXISTS "${APP_DIR}/${needed}")
        message(FATAL_ERROR "make-msi.cmake: ${APP_DIR}/${needed} missing: the shortcut or help link would point nowhere")
    endif()
endforeach()
if(NOT EXISTS "${SIMULATOR_DIR}/feldmoor-sim.exe")
    message(FATAL_ERROR "make-msi.cmake: ${SIMULATOR_DIR}/feldmoor-sim.exe missing: the simulated board's shortcut would point nowhere")
endif()

# One component per file, the file its key path, as Windows Installer wants.
function(write_folder dir_id indent out)
    set(text "")
    foreach(id IN LISTS files_${dir_id})
        xml_escape("${name_${id}}" name)
        xml_escape("${source_${id}}" source)
        string(APPEND text
            "${indent}<Component Id=\"${id}\" Guid=\"*\" Win64=\"yes\">\n"
            "${indent}  <File Id=\"f${id}\" Name=\"${name}\" Source=\"${source}\" KeyPath=\"yes\"/>\n"
            "${indent}</Component>\n")
    endforeach()
    foreach(child IN LISTS dirs_${dir_id})
        write_folder(${child} "${indent}  " inner)
        xml_escape("${dirname_${child}}" name)
        string(APPEND text "${indent}<Directory Id=\"${child}\" Name=\"${name}\">\n${inner}${indent}</Directory>\n")
    endforeach()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

write_folder(INSTALLDIR "          " MSI_DIRECTORIES)
set(MSI_VERSION "${VERSION}")
source_path("${ICON}" icon)
xml_escape("${icon}" MSI_ICON)
set(MSI_APP_COMPONENTS "${refs_APP}")
string(REPLACE "      <" "        <" MSI_SIMULATOR_COMPONENTS "${refs_SIMULATOR}")

get_filename_component(msi_name "${MSI}" NAME_WLE)
set(wxs "${WXS_DIR}/${msi_name}.wxs")
configure_file("${CMAKE_CURRENT_LIST_DIR}/Feldmoor.wxs.in" "${wxs}" @ONLY)

execute_process(COMMAND "${WIXL}" -a x64 -o "${MSI}" "${wxs}" WORKING_DIRECTORY "${WXS_DIR}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "make-msi.cmake: wixl failed on ${wxs}")
endif()
