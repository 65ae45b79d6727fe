# The plug-in framework as the build uses it: a copy of the installed one in the
# build tree, with faults of DPF 1.6 mended. A mend whose text the installed
# framework no longer has (a newer one) is skipped, and the file copied as is.

# Replaces OLD with NEW in the copy of FILE (relative to the framework's root).
function(corvex_dpf_mend SOURCE_DIR COPY_DIR FILE OLD NEW)
    if(NOT DEFINED corvex_dpf_text_${FILE})
        file(READ ${SOURCE_DIR}/${FILE} corvex_dpf_text_${FILE})
    endif()
    string(FIND "${corvex_dpf_text_${FILE}}" "${OLD}" position)
    if(position EQUAL -1)
        return()
    endif()
    string(REPLACE "${OLD}" "${NEW}" text "${corvex_dpf_text_${FILE}}")
    set(corvex_dpf_text_${FILE} "${text}" PARENT_SCOPE)
endfunction()

function(corvex_dpf_mended_copy SOURCE_DIR COPY_DIR RESULT_VARIABLE)
    file(COPY ${SOURCE_DIR}/ DESTINATION ${COPY_DIR})
    set(vst3 distrho/src/DistrhoPluginVST3.cpp)
    set(clap distrho/src/DistrhoPluginCLAP.cpp)

    # The VST3 wrapper handed the plug-in the channels of the first input bus
    # only, so the side-chain bus a VST3 host connects never arrived (the
    # side-chain ports got silence): take the channels of every input bus in
    # order, main inputs, then side chain. A bus the host deactivated but still
    # passes (its ports disabled) is silence, without a message per block.
    corvex_dpf_mend(${SOURCE_DIR} ${COPY_DIR} ${vst3} [=[
                for (int32_t j = 0; j < data->inputs->num_channels; ++j)
                {
                    while (!fEnabledInputs[i] && i < DISTRHO_PLUGIN_NUM_INPUTS)
                        inputs[i++] = fDummyAudioBuffer;

                    DISTRHO_SAFE_ASSERT_INT_BREAK(i < DISTRHO_PLUGIN_NUM_INPUTS, i);
                    inputs[i++] = data->inputs->channel_buffers_32[j];
                }]=] [=[
                for (int32_t b = 0; b < data->num_input_buses; ++b)
                for (int32_t j = 0; j < data->inputs[b].num_channels; ++j)
                {
                    while (i < DISTRHO_PLUGIN_NUM_INPUTS && !fEnabledInputs[i])
                        inputs[i++] = fDummyAudioBuffer;

                    if (i >= DISTRHO_PLUGIN_NUM_INPUTS)
                        break;
                    inputs[i++] = data->inputs[b].channel_buffers_32[j];
                }]=])
    # A VST3 host may pass no list for output parameter changes; the wrapper
    # then printed an assertion from the audio thread on every block.
    corvex_dpf_mend(${SOURCE_DIR} ${COPY_DIR} ${vst3}
        "DISTRHO_SAFE_ASSERT_RETURN(outparamsptr != nullptr,);" "if (outparamsptr == nullptr) return;")
    # The CLAP wrapper reported latency changes through the host's latency
    # extension without checking that the host has one: a crash in such hosts.
    corvex_dpf_mend(${SOURCE_DIR} ${COPY_DIR} ${clap}
        "fHostExtensions.latency->changed(fHost);"
        "if (fHostExtensions.latency != nullptr) fHostExtensions.latency->changed(fHost);")

    foreach(file IN ITEMS ${vst3} ${clap})
        if(DEFINED corvex_dpf_text_${file})
            file(WRITE ${COPY_DIR}/${file}.mended "${corvex_dpf_text_${file}}")
            file(COPY_FILE ${COPY_DIR}/${file}.mended ${COPY_DIR}/${file} ONLY_IF_DIFFERENT)
            file(REMOVE ${COPY_DIR}/${file}.mended)
        endif()
    endforeach()
    set(${RESULT_VARIABLE} ${COPY_DIR} PARENT_SCOPE)
endfunction()
