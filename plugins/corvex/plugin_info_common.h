// What the stereo and the mono plug-in share in the framework's compile-time
// description: a real-time-safe effect with latency, factory programs and an
// interface drawn with NanoVG.
#pragma once

#define DISTRHO_PLUGIN_BRAND "Corvex"
#define DISTRHO_PLUGIN_IS_RT_SAFE 1
#define DISTRHO_PLUGIN_IS_SYNTH 0
#define DISTRHO_PLUGIN_WANT_LATENCY 1
#define DISTRHO_PLUGIN_WANT_PROGRAMS 1
// No state keys of its own: the framework then saves the controls and the
// program in every format (CLAP offers its state extension only with this).
#define DISTRHO_PLUGIN_WANT_STATE 1
#define DISTRHO_PLUGIN_WANT_FULL_STATE 0
#define DISTRHO_PLUGIN_WANT_MIDI_INPUT 0
#define DISTRHO_PLUGIN_WANT_MIDI_OUTPUT 0
#define DISTRHO_PLUGIN_LV2_CATEGORY "lv2:CompressorPlugin"
// The gain reduction in LV2 hosts' mixer strips.
#define DISTRHO_PLUGIN_LV2_INLINE_DISPLAY 1

#ifndef CORVEX_PLUGIN_WITHOUT_UI
#define DISTRHO_PLUGIN_HAS_UI 1
#define DISTRHO_UI_USE_NANOVG 1
#define DISTRHO_UI_USER_RESIZABLE 1
#define DISTRHO_UI_DEFAULT_WIDTH 960
#define DISTRHO_UI_DEFAULT_HEIGHT 560
#else
#define DISTRHO_PLUGIN_HAS_UI 0
#endif
