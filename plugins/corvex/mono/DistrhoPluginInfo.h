// The mono plug-in: one main input, one side-chain input, one output.
#pragma once

#define DISTRHO_PLUGIN_NAME "Corvex Mono"
#define DISTRHO_PLUGIN_URI "urn:corvex:lv2:mono"
#define DISTRHO_PLUGIN_CLAP_ID "org.corvex.mono"
#define DISTRHO_PLUGIN_NUM_INPUTS 2
#define DISTRHO_PLUGIN_NUM_OUTPUTS 1
#define DISTRHO_PLUGIN_VST3_CATEGORIES "Fx|Dynamics|Mono"
#define DISTRHO_PLUGIN_CLAP_FEATURES "audio-effect", "compressor", "limiter", "mono"
#define CORVEX_PLUGIN_NUM_CHANNELS 1
#define CORVEX_PLUGIN_LABEL "CorvexMono"

#include "plugins/corvex/plugin_info_common.h"
