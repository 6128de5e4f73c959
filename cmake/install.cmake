# Installed layout: bin/ (DLLs), lib/ (import libraries and the CMake package
# with the toolchain file), include/ (CFUtils.h and the MFC-compatible headers).
include(CMakePackageConfigHelpers)
set(CFU_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/CFUtils)
install(EXPORT CFUtilsTargets NAMESPACE CFUtils:: DESTINATION ${CFU_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/CFUtilsConfig.cmake.in
  ${CMAKE_BINARY_DIR}/CFUtilsConfig.cmake INSTALL_DESTINATION ${CFU_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/CFUtilsConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/CFUtilsConfig.cmake ${CMAKE_BINARY_DIR}/CFUtilsConfigVersion.cmake
  ${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake
  DESTINATION ${CFU_CMAKE_DIR})
