// The stereo plug-in: two main inputs, two side-chain inputs, two outputs.
#pragma once

#define DISTRHO_PLUGIN_NAME "Corvex Stereo"
#define DISTRHO_PLUGIN_URI "urn:corvex:lv2:stereo"
#define DISTRHO_PLUGIN_CLAP_ID "org.corvex.stereo"
#define DISTRHO_PLUGIN_NUM_INPUTS 4
#define DISTRHO_PLUGIN_NUM_OUTPUTS 2
#define DISTRHO_PLUGIN_VST3_CATEGORIES "Fx|Dynamics|Stereo"
#define DISTRHO_PLUGIN_CLAP_FEATURES "audio-effect", "compressor", "limiter", "stereo"
#define CORVEX_PLUGIN_NUM_CHANNELS 2
#define CORVEX_PLUGIN_LABEL "CorvexStereo"

#include "plugins/corvex/plugin_info_common.h"
