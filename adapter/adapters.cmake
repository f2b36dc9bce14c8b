# What every program of ours that talks to adapters links, the window, the
# command-line loader and the OpenOCD simulator alike; included from the top
# folder, so it is there in builds without the window too.

# The adapter library's three functions: on Windows QB562DLLA64.DLL by name,
# through an import library made from our own module-definition file;
# elsewhere the stand-in (or vendor) library.
add_library(qb562_client INTERFACE)
if(WIN32)
    set(qb562_def ${CMAKE_CURRENT_LIST_DIR}/QB562DLLA64.def)
    set(qb562_implib ${CMAKE_BINARY_DIR}/adapter/QB562DLLA64.lib)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/adapter)
    if(MSVC)
        add_custom_command(OUTPUT ${qb562_implib}
            COMMAND lib /nologo /machine:x64 /def:${qb562_def} /out:${qb562_implib}
            DEPENDS ${qb562_def} VERBATIM)
    else()
        add_custom_command(OUTPUT ${qb562_implib}
            COMMAND ${CMAKE_DLLTOOL} -d ${qb562_def} -l ${qb562_implib}
            DEPENDS ${qb562_def} VERBATIM)
    endif()
    add_custom_target(qb562_import DEPENDS ${qb562_implib})
    add_dependencies(qb562_client qb562_import)
    target_link_libraries(qb562_client INTERFACE ${qb562_implib})
else()
    target_link_libraries(qb562_client INTERFACE qb562)
endif()

# Which adapters are attached and where they sit (attachedadapters.h).
add_library(feldmoor_adapters STATIC
    ${CMAKE_CURRENT_LIST_DIR}/attachedadapters.h
    ${CMAKE_CURRENT_LIST_DIR}/attachedadapters.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hardwareadapters.h
    ${CMAKE_CURRENT_LIST_DIR}/hardwareadapters_${FELDMOOR_PLATFORM}.cpp
    ${CMAKE_CURRENT_LIST_DIR}/usblocation.h
    ${CMAKE_CURRENT_LIST_DIR}/usblocation.cpp
)
target_include_directories(feldmoor_adapters PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(feldmoor_adapters PUBLIC qb562_client PRIVATE feldmoor_facts)
# The simulated bus's layout and the adapter library's numbering come from
# the stand-in's own rules; a build without the stand-ins takes just those.
if(TARGET qb562_logic)
    target_link_libraries(feldmoor_adapters PRIVATE qb562_logic)
else()
    target_sources(feldmoor_adapters PRIVATE
        ${PROJECT_SOURCE_DIR}/platform/qb562/deviceid.cpp
        ${PROJECT_SOURCE_DIR}/platform/qb562/simbus.cpp
        ${PROJECT_SOURCE_DIR}/platform/qb562/plaindirectory_${FELDMOOR_PLATFORM}.cpp)
endif()
if(WIN32)
    target_link_libraries(feldmoor_adapters PRIVATE setupapi)
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(FELDMOOR_LIBUSB REQUIRED IMPORTED_TARGET libusb-1.0)
    target_link_libraries(feldmoor_adapters PRIVATE PkgConfig::FELDMOOR_LIBUSB)
endif()
