# CLI11, nlohmann-json, stb and tinygltf as targets for both builds. On Linux they
# are Debian's packages as found. The cross build takes the same headers from
# Debian's packages through a folder of links to just those headers, so the
# mingw compiler never sees the build machine's C library headers; tinygltf's
# code, which Debian ships compiled for Linux only, is compiled from its header.
if(NOT WIN32)
  find_package(CLI11 CONFIG REQUIRED)
  find_package(nlohmann_json CONFIG REQUIRED)
  find_package(TinyGLTF REQUIRED)
  add_library(Stb::Stb INTERFACE IMPORTED)  # headers only, in /usr/include/stb
  return()
endif()

set(KVSS_PORTABLE_INCLUDE ${CMAKE_BINARY_DIR}/portable-include)
file(MAKE_DIRECTORY ${KVSS_PORTABLE_INCLUDE})
foreach(header CLI nlohmann stb tiny_gltf.h)
  if(NOT EXISTS /usr/include/${header})
    message(FATAL_ERROR "/usr/include/${header} is missing: scripts/setup.sh installs the headers the Windows build uses")
  endif()
  file(CREATE_LINK /usr/include/${header} ${KVSS_PORTABLE_INCLUDE}/${header} SYMBOLIC)
endforeach()

add_library(kv_portable_headers INTERFACE)
target_include_directories(kv_portable_headers SYSTEM INTERFACE ${KVSS_PORTABLE_INCLUDE})
add_library(CLI11::CLI11 ALIAS kv_portable_headers)
add_library(nlohmann_json::nlohmann_json ALIAS kv_portable_headers)
add_library(Stb::Stb ALIAS kv_portable_headers)

add_library(kv_tinygltf STATIC ${PROJECT_SOURCE_DIR}/src/export/tinygltf_implementation.cpp)
target_link_libraries(kv_tinygltf PUBLIC kv_portable_headers)
# Every user of the header must see the same choice: the exporters only write,
# with their pictures already encoded, so no image codec and no file access.
target_compile_definitions(kv_tinygltf PUBLIC TINYGLTF_NO_STB_IMAGE TINYGLTF_NO_STB_IMAGE_WRITE TINYGLTF_NO_EXTERNAL_IMAGE)
add_library(TinyGLTF::TinyGLTF ALIAS kv_tinygltf)
