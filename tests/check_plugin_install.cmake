# Installs the build into a scratch PREFIX and fails unless every plug-in
# bundle is where hosts look: lib/lv2, lib/vst3 and lib/clap.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DVST3_ARCH=x86_64-linux -P check_plugin_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
foreach(name IN ITEMS Corvex CorvexMono)
    foreach(file IN ITEMS lib/lv2/${name}.lv2/manifest.ttl lib/lv2/${name}.lv2/${name}_dsp.so
                          lib/vst3/${name}.vst3/Contents/${VST3_ARCH}/${name}.so lib/clap/${name}.clap)
        if(NOT EXISTS ${PREFIX}/${file})
            message(FATAL_ERROR "not installed: ${file}")
        endif()
    endforeach()
endforeach()
