option(QUILLON_BUILD_UI "Build the Qt windows" ON)
option(QUILLON_BUILD_CLI "Build quillon-cli (needs nlohmann-json)" ON)
option(QUILLON_BUILD_TESTS "Build the tests" ON)
option(QUILLON_BUILD_BENCHMARKS "Build the Google Benchmark programs" OFF)
option(QUILLON_BUILD_FUZZERS "Build the libFuzzer targets (clang only)" OFF)
option(QUILLON_WERROR "Treat warnings as errors" ON)
option(QUILLON_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

add_library(quillon_options INTERFACE)
target_compile_features(quillon_options INTERFACE cxx_std_20)
target_include_directories(quillon_options INTERFACE ${PROJECT_SOURCE_DIR})
if(MSVC)
    target_compile_options(quillon_options INTERFACE /W4 /permissive- /utf-8)
    if(QUILLON_WERROR)
        target_compile_options(quillon_options INTERFACE /WX)
    endif()
else()
    target_compile_options(quillon_options INTERFACE
        -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)
    if(QUILLON_WERROR)
        target_compile_options(quillon_options INTERFACE -Werror)
    endif()
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # g++ 12 at -O3 reports impossible overlaps inside std::string assignment (GCC bug 105329).
        target_compile_options(quillon_options INTERFACE -Wno-restrict)
    endif()
    if(QUILLON_SANITIZE)
        target_compile_options(quillon_options INTERFACE
            -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
        target_link_options(quillon_options INTERFACE -fsanitize=address,undefined)
    endif()
endif()

# Each source folder builds one static library from the .cpp files it holds; new files are picked
# up without editing the list, so several people can add files to a folder at the same time.
function(quillon_add_library name)
    file(GLOB _srcs CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
    if(_srcs)
        add_library(${name} STATIC ${_srcs})
        target_link_libraries(${name} PUBLIC quillon_options ${ARGN})
    else()
        # A folder whose code has not been written yet still offers its target to link against.
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE quillon_options ${ARGN})
    endif()
endfunction()

# A Windows build made on Linux runs its tests under Wine, in a Wine prefix of the build's own.
# Test data paths then need the drive that Wine maps to the Linux root.
set(QUILLON_HOST_PATH_PREFIX "")
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_NAME STREQUAL "Windows")
    set(QUILLON_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
    set(CMAKE_CROSSCOMPILING_EMULATOR
        env "QUILLON_WINEPREFIX=${QUILLON_WINEPREFIX}" "${PROJECT_SOURCE_DIR}/cmake/wine-run.sh")
    set(QUILLON_HOST_PATH_PREFIX "Z:")
endif()
