# The plug-in framework as the build uses it: a copy of the installed one in the
# build tree, with one fault mended. DPF 1.6's VST3 wrapper hands the plug-in
# the channels of the first input bus only, so the side-chain bus a VST3 host
# connects never arrives (the side-chain ports get silence). The mended loop
# takes the channels of every input bus in order: main inputs, then side chain.
# A framework without that loop (a newer one) is copied unchanged.
function(corvex_dpf_mended_copy SOURCE_DIR COPY_DIR RESULT_VARIABLE)
    file(COPY ${SOURCE_DIR}/ DESTINATION ${COPY_DIR})
    set(wrapper ${COPY_DIR}/distrho/src/DistrhoPluginVST3.cpp)
    file(READ ${SOURCE_DIR}/distrho/src/DistrhoPluginVST3.cpp text)
    set(first_bus_only [=[
                for (int32_t j = 0; j < data->inputs->num_channels; ++j)
                {
                    while (!fEnabledInputs[i] && i < DISTRHO_PLUGIN_NUM_INPUTS)
                        inputs[i++] = fDummyAudioBuffer;

                    DISTRHO_SAFE_ASSERT_INT_BREAK(i < DISTRHO_PLUGIN_NUM_INPUTS, i);
                    inputs[i++] = data->inputs->channel_buffers_32[j];
                }]=])
    set(every_bus [=[
                for (int32_t b = 0; b < data->num_input_buses; ++b)
                for (int32_t j = 0; j < data->inputs[b].num_channels; ++j)
                {
                    while (!fEnabledInputs[i] && i < DISTRHO_PLUGIN_NUM_INPUTS)
                        inputs[i++] = fDummyAudioBuffer;

                    DISTRHO_SAFE_ASSERT_INT_BREAK(i < DISTRHO_PLUGIN_NUM_INPUTS, i);
                    inputs[i++] = data->inputs[b].channel_buffers_32[j];
                }]=])
    string(FIND "${text}" "${first_bus_only}" position)
    if(position GREATER -1)
        string(REPLACE "${first_bus_only}" "${every_bus}" text "${text}")
        file(WRITE ${wrapper}.mended "${text}")
        file(COPY_FILE ${wrapper}.mended ${wrapper} ONLY_IF_DIFFERENT)
        file(REMOVE ${wrapper}.mended)
        message(STATUS "DPF: VST3 wrapper mended to read every input bus")
    endif()
    set(${RESULT_VARIABLE} ${COPY_DIR} PARENT_SCOPE)
endfunction()
