# The suffix of the one file per platform that holds what differs between
# Linux and Windows (foo_unix.cpp, foo_win.cpp); every folder picks by it.
if(WIN32)
    set(FELDMOOR_PLATFORM win)
else()
    set(FELDMOOR_PLATFORM unix)
endif()
