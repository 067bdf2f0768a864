# The MSI beside the ZIP: `cmake --build --preset win32 --target msi` installs
# the "product" component (stripped) into a staging folder and makes
# packages/tarvo-VERSION-win32.msi of it with wixl (make-msi, tarvo.wxs.in).
# An MSI version has three numbers; 0.1 is 0.1.0.
set(TARVO_MSI_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0)
if(NOT PROJECT_VERSION_PATCH STREQUAL "")
  set(TARVO_MSI_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
endif()
set(TARVO_MSI_STAGE ${CMAKE_BINARY_DIR}/msi-stage)
set(TARVO_MSI ${CPACK_PACKAGE_DIRECTORY}/tarvo-${PROJECT_VERSION}-win32.msi)
add_custom_target(msi
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${TARVO_MSI_STAGE}
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${TARVO_MSI_STAGE} --component product --strip
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CPACK_PACKAGE_DIRECTORY}
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/make-msi ${TARVO_MSI_STAGE} ${CMAKE_CURRENT_BINARY_DIR} ${TARVO_MSI_VERSION}
    ${TARVO_MSI}
  COMMENT "Making ${TARVO_MSI}"
  VERBATIM)
add_dependencies(msi TarvoLauncher tarvoUtils)
