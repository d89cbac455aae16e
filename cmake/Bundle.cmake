# The installed bundle: one folder holding the plug-in and its companion programs, plus a link to
# the plug-in's module beside it, because browsers scan the plug-in folder for modules without
# descending into sub-folders (the plug-in finds its companions through its own resolved path).
# Installed with the component "bundle" under ~/.mozilla/plugins (scripts/install.sh) or
# /usr/lib/mozilla/plugins (the Debian package); nothing of ours goes anywhere else.
#
# In the build tree, plugin-dir mirrors the bundle folder, so a browser pointed at it finds the
# companions beside the plug-in as an installed one does.
set(NV_BUNDLE_NAME NVPlugin)
set(NV_BUNDLE_LINK libnvplugin.so)
set(NV_BUNDLE_BUILD_DIR ${PROJECT_BINARY_DIR}/plugin-dir)

# Everything that must exist before the bundle can be installed.
add_custom_target(nv_bundle)

# nv_bundle_module(target): the plug-in module itself, and the link to it.
function(nv_bundle_module target)
    set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME ${NV_BUNDLE_LINK}
        LIBRARY_OUTPUT_DIRECTORY ${NV_BUNDLE_BUILD_DIR})
    install(TARGETS ${target} LIBRARY DESTINATION ${NV_BUNDLE_NAME} COMPONENT bundle)
    set(link ${PROJECT_BINARY_DIR}/bundle-link/${NV_BUNDLE_LINK})
    file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/bundle-link)
    file(CREATE_LINK ${NV_BUNDLE_NAME}/${NV_BUNDLE_LINK} ${link} SYMBOLIC)
    install(FILES ${link} DESTINATION . COMPONENT bundle)
    add_dependencies(nv_bundle ${target})
endfunction()

# nv_bundle_program(target): a companion program, beside the plug-in.
function(nv_bundle_program target)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${NV_BUNDLE_BUILD_DIR})
    install(TARGETS ${target} RUNTIME DESTINATION ${NV_BUNDLE_NAME} COMPONENT bundle)
    add_dependencies(nv_bundle ${target})
endfunction()
