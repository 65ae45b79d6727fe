-- Runs the stereo plug-in in an Ardour session without a sound card, in host
-- blocks of BLOCK frames: a stereo track plays a WAV file through the plug-in
-- (LV2 or VST3) with its input gain automated, the session is exported to a
-- 32-bit float WAV file, and then played in real time to read the plug-in's
-- meters in the middle of the loud part.
--
--   ardour7-lua export_in_ardour.lua FORMAT WORK_DIR SIGNAL_WAV FRAMES METER_FROM METER_TO UP_AT DOWN_AT BLOCK
--
-- FORMAT is LV2 or VST3. The input gain's lane holds the set value, steps 12 dB
-- up at sample UP_AT and back at DOWN_AT. Writes WORK_DIR/export-BLOCK.wav and
-- WORK_DIR/results-BLOCK.txt: one "name value" line each for the latency Ardour
-- reads from the plug-in, the block size it runs, the six meters and the play
-- position they were read at, then "done".
local format, work, signal = arg[1], arg[2], arg[3]
local frames, meterFrom, meterTo = tonumber(arg[4]), tonumber(arg[5]), tonumber(arg[6])
local upAt, downAt, block = tonumber(arg[7]), tonumber(arg[8]), tonumber(arg[9])
local rate = 48000

-- Compresses hard: input +12 dB, ratio 20, output -12 dB, so the quiet part
-- passes at unity gain. Plain values are the plug-in's display values
-- (input and output gain show the applied gain minus 24 dB; ratio index 3 is "20").
local settings = { ["Input Gain"] = -12, ["Output Gain"] = -36, ["Ratio"] = 3 }
local meters = { "Gain Reduction L", "Gain Reduction R", "Input Peak L", "Input Peak R",
                 "Output Peak L", "Output Peak R" }

local results = assert(io.open(work .. "/results-" .. block .. ".txt", "w"))
local function report(name, value) results:write(name, " ", tostring(value), "\n"); results:flush() end

local function slurp(path) local f = assert(io.open(path)); local text = f:read("a"); f:close(); return text end
local function spill(path, text) local f = assert(io.open(path, "w")); f:write(text); f:close() end
local function replaceOnce(text, pattern, replacement)
  local result, count = text:gsub(pattern, replacement)
  assert(count == 1, "no single match for " .. pattern)
  return result
end

-- A 32-bit float WAV export preset, made of a format Ardour ships.
local presetId = "4f1c2a8e-6b7d-4e0a-9c35-0d2b8a6e71f4"
os.execute("mkdir -p '" .. ARDOUR.user_config_directory(-1) .. "/export'")
spill(ARDOUR.user_config_directory(-1) .. "/export/corvex-float.preset", [[
<?xml version="1.0" encoding="UTF-8"?>
<ExportPreset id="]] .. presetId .. [[" name="Corvex float WAV">
  <ExportFormat id="20b4ab09-6452-4cb3-bd66-b921cdbd2942"/>
  <ExportFilename><Folder relative="1" path="export"/></ExportFilename>
</ExportPreset>
]])

-- The dummy backend needs no sound card.
local backend = AudioEngine:set_backend("None (Dummy)", "", "")
backend:set_buffer_size(block)

-- The session: one stereo track with the plug-in, set up, saved and closed.
-- Headless Ardour has no import, so the file goes in as the session file's own
-- region (one source per channel; positions in superclock ticks, 282240000 per
-- second) with a session range of the same length. Loading the finished
-- session, rather than changing a running one, gives an export that starts
-- with the track's latency compensation and disk buffers settled.
local dir, name = work .. "/session", "corvex"
assert(create_session(dir, name, rate), "cannot create the session")
local track = Session:new_audio_track(2, 2, nil, 1, "Corvex", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, true):front()
-- The panner would apply its pan law; the track's channels go straight to the master bus.
track:panner_shell():set_bypassed(true)
local plugin = ARDOUR.LuaAPI.new_plugin(Session, "Corvex Stereo", ARDOUR.PluginType[format], "")
assert(not plugin:isnil(), "Ardour does not find the " .. format .. " plug-in")
assert(track:add_processor_by_index(plugin, 0, nil, true) == 0, "cannot insert the plug-in")

-- Parameters by name: LV2 counts the latency port first, VST3 a hidden parameter.
local index, instance = {}, plugin:to_insert():plugin(0)
for i = 0, instance:parameter_count() - 1 do
  index[instance:parameter_label(instance:nth_parameter(i, true))] = i
end
for label, value in pairs(settings) do
  assert(ARDOUR.LuaAPI.set_processor_param(plugin, index[label], value), "cannot set " .. label)
end
local gainId = instance:nth_parameter(index["Input Gain"], true)
-- A VST3 plug-in hears of new values in its next process call, and saves only
-- what it has heard: let a few cycles pass before the session is saved.
assert(ARDOUR.LuaAPI.wait_for_process_callback(4, 5000), "the engine does not run")
Session:save_state("", false, false, false, false, false)
track, plugin, instance = nil, nil, nil
collectgarbage()
close_session()

local length = "a" .. math.floor(frames * 282240000 / rate)
local xml = slurp(dir .. "/" .. name .. ".ardour")
xml = replaceOnce(xml, "<Sources/>", string.format(
  '<Sources><Source name="%s" type="audio" flags="" id="900001" channel="0" origin=""/>' ..
  '<Source name="%s" type="audio" flags="" id="900002" channel="1" origin=""/></Sources>', signal, signal))
xml = replaceOnce(xml, "(<Playlist [^>]*)/>", '%1><Region name="signal" start="a0" length="' .. length ..
  '@a0" type="audio" id="900003" channels="2" source-0="900001" source-1="900002" ' ..
  'master-source-0="900001" master-source-1="900002"/></Playlist>')
xml = replaceOnce(xml, "<Locations/>", '<Locations><Location id="900004" name="session" start="a0" end="' ..
  length .. '" flags="IsSessionRange"/></Locations>')
-- The input gain's lane, in Play. Ardour 7.3 keeps a new plug-in lane in beats
-- (1/1920 beat: 12.5 samples at 120 bpm), so the lane goes in in audio time,
-- where a point can sit at any sample. Between two points Ardour interpolates
-- linearly: a step is two points one sample apart.
local low, high = settings["Input Gain"], settings["Input Gain"] + 12
local points = { { 0, low }, { upAt - 1, low }, { upAt, high }, { downAt - 1, high }, { downAt, low } }
local events = ""
for _, point in ipairs(points) do
  events = events .. string.format("a%d %g\n", point[1] * 282240000 // rate, point[2])
end
xml = replaceOnce(xml, '(<AutomationList automation%-id="parameter%-' .. gainId ..
  '" id="%d+" interpolation%-style="Linear") time%-domain="BeatTime" state="Off"/>',
  '%1 time-domain="AudioTime" state="Play"><events>' .. events .. '</events></AutomationList>')
spill(dir .. "/" .. name .. ".ardour", xml)

assert(load_session(dir, name), "cannot load the session")
track = Session:route_by_name("Corvex")
assert(track:to_track():playlist():region_list():size() == 1, "the region did not load")
plugin = track:nth_plugin(0)
for label, value in pairs(settings) do
  assert(ARDOUR.LuaAPI.get_processor_param(plugin, index[label], true) == value, label .. " was not restored")
end
report("latency", plugin:signal_latency())
report("block", Session:get_block_size())
local lane = ARDOUR.LuaAPI.plugin_automation(plugin, index["Input Gain"])
assert(lane:size() == #points and lane:eval(Temporal.timepos_t(upAt - 1)) == low and
       lane:eval(Temporal.timepos_t(upAt)) == high, "the input gain's lane did not load")
assert(plugin:to_automatable():automation_control(Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, gainId),
       false):automation_state() == ARDOUR.AutoState.Play, "the input gain's lane does not play")

local export = Session:simple_export()
assert(export:set_preset(presetId), "no float WAV preset")
export:set_folder(work)
export:set_name("export-" .. block)
export:set_range(0, frames)
assert(export:run_export(), "the export failed")

-- Meters hold the last host block: read them while the loud part plays.
Session:request_locate(meterFrom, false, ARDOUR.LocateTransportDisposition.MustRoll, ARDOUR.TransportRequestSource.TRS_UI)
local started = ARDOUR.LuaAPI.monotonic_time()
local function inLoudPart()
  local position = Session:transport_sample()
  return Session:transport_rolling() and position >= (meterFrom + meterTo) / 2 and position < meterTo
end
while not inLoudPart() do
  assert(ARDOUR.LuaAPI.monotonic_time() - started < 10000000, "the transport does not reach the loud part")
  ARDOUR.LuaAPI.usleep(5000)
end
for _, label in ipairs(meters) do
  report(label, ARDOUR.LuaAPI.get_processor_param(plugin, index[label], true))
end
report("position", Session:transport_sample())
report("done", 1)
results:close()

-- Ardour 7.3 corrupts its heap now and then while it destroys the export
-- objects: leave without tearing the session down (the files are complete).
os.exit(0)
