# The libraries every build links, as targets of one name whatever the system:
#   quorvel::lzma    liblzma
#   quorvel::crypto  OpenSSL's libcrypto
#   quorvel::hivex   libhivex (the Linux platform's registry; not on Windows)
#   CLI11::CLI11     CLI11 (header-only)
#   nlohmann_json::nlohmann_json  nlohmann's JSON (header-only)
# On Linux they are Debian's packages; a Windows cross build takes them from the
# prefix scripts/windows-deps made (QUORVEL_WINDOWS_DEPS, see cmake/mingw-w64.cmake).
find_package(Threads REQUIRED)

if(WIN32)
  find_path(QUORVEL_LZMA_INCLUDE lzma.h REQUIRED)
  find_library(QUORVEL_LZMA_LIBRARY NAMES liblzma.a lzma REQUIRED)
  add_library(quorvel::lzma STATIC IMPORTED)
  set_target_properties(quorvel::lzma PROPERTIES IMPORTED_LOCATION ${QUORVEL_LZMA_LIBRARY}
                        INTERFACE_INCLUDE_DIRECTORIES ${QUORVEL_LZMA_INCLUDE}
                        INTERFACE_COMPILE_DEFINITIONS LZMA_API_STATIC)

  find_path(QUORVEL_CRYPTO_INCLUDE openssl/des.h REQUIRED)
  find_library(QUORVEL_CRYPTO_LIBRARY NAMES libcrypto.a REQUIRED)
  add_library(quorvel::crypto STATIC IMPORTED)
  set_target_properties(quorvel::crypto PROPERTIES IMPORTED_LOCATION ${QUORVEL_CRYPTO_LIBRARY}
                        INTERFACE_INCLUDE_DIRECTORIES ${QUORVEL_CRYPTO_INCLUDE}
                        INTERFACE_LINK_LIBRARIES "ws2_32;crypt32;bcrypt")

  find_path(QUORVEL_CLI11_INCLUDE CLI/CLI.hpp REQUIRED)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${QUORVEL_CLI11_INCLUDE})

  find_path(QUORVEL_JSON_INCLUDE nlohmann/json.hpp REQUIRED)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${QUORVEL_JSON_INCLUDE})
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(HIVEX REQUIRED IMPORTED_TARGET hivex)
  pkg_check_modules(LZMA REQUIRED IMPORTED_TARGET liblzma)
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
  find_package(CLI11 CONFIG REQUIRED)
  find_package(nlohmann_json 3 CONFIG REQUIRED)
  add_library(quorvel::lzma ALIAS PkgConfig::LZMA)
  add_library(quorvel::crypto ALIAS OpenSSL::Crypto)
  add_library(quorvel::hivex ALIAS PkgConfig::HIVEX)
endif()
