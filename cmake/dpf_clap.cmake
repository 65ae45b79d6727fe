# CLAP for DPF plug-ins: the framework's plug-in main builds CLAP, but its CMake
# module knows only jack, ladspa, dssi, lv2, vst2 and vst3. This rule builds a
# CLAP module from the module's own helpers, as it builds the VST3 one:
# <name>.clap in bin/, exporting only clap_entry.
function(corvex_dpf_build_clap NAME)
    dpf__create_dummy_source_list(_no_srcs)
    dpf__add_module("${NAME}-clap" ${_no_srcs})
    dpf__add_plugin_main("${NAME}-clap" "clap")
    if(TARGET dgl-opengl AND CORVEX_PLUGIN_UI_SOURCES)
        dpf__add_ui_main("${NAME}-clap" "clap" dgl-opengl)
    endif()
    dpf__set_module_export_list("${NAME}-clap" "clap")
    target_link_libraries("${NAME}-clap" PRIVATE "${NAME}-dsp" "${NAME}-ui")
    set_target_properties("${NAME}-clap" PROPERTIES
        LIBRARY_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/bin/$<0:>"
        ARCHIVE_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/obj/clap/$<0:>"
        OUTPUT_NAME "${NAME}"
        PREFIX ""
        SUFFIX ".clap")
endfunction()
