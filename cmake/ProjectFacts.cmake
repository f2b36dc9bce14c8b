# Facts every component shares, stated once: the window, the adapter library,
# the OpenOCD stand-in, simbit, the command-line loader, the packaging and the
# tests read them from here (CMake) or from the header generated from here
# (C++), never from copies of their own.

# The adapter's USB IDs, as lower-case hex.
set(FELDMOOR_ADAPTER_VID 1a86)
set(FELDMOOR_ADAPTER_PID 55dd)

# The part the window selects at start and the simulated board carries when
# nothing else is said.
set(FELDMOOR_DEFAULT_PART xc7k325t)

# The part catalogue with each part's JTAG facts, in the window's order.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/fpga-parts.csv part_rows REGEX "^xc")
set(FELDMOOR_FPGA_PARTS)
set(part_table "")
foreach(row IN LISTS part_rows)
    string(REPLACE "," ";" fields "${row}")
    list(LENGTH fields field_count)
    if(NOT field_count EQUAL 4)
        message(FATAL_ERROR "cmake/fpga-parts.csv: malformed row '${row}'")
    endif()
    list(GET fields 0 part)
    list(GET fields 1 idcode)
    list(GET fields 2 ir_length)
    list(GET fields 3 idcode_mask)
    list(APPEND FELDMOOR_FPGA_PARTS ${part})
    string(APPEND part_table "    { \"${part}\", ${idcode}u, ${idcode_mask}u, ${ir_length}u },\n")
endforeach()
list(LENGTH FELDMOOR_FPGA_PARTS FELDMOOR_FPGA_PART_COUNT)
# Cached for scripts that check a build's output.
set(FELDMOOR_FPGA_PART_COUNT ${FELDMOOR_FPGA_PART_COUNT} CACHE INTERNAL "Parts in cmake/fpga-parts.csv")
if(NOT FELDMOOR_DEFAULT_PART IN_LIST FELDMOOR_FPGA_PARTS)
    message(FATAL_ERROR "The default part ${FELDMOOR_DEFAULT_PART} is not in cmake/fpga-parts.csv")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/fpga-parts.csv)

set(FELDMOOR_PART_TABLE "${part_table}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/projectfacts.h.in
    ${CMAKE_BINARY_DIR}/generated/feldmoor/projectfacts.h @ONLY)
add_library(feldmoor_facts INTERFACE)
target_include_directories(feldmoor_facts INTERFACE ${CMAKE_BINARY_DIR}/generated)
