-- ardour7-lua render-session.lua WORK_DIRECTORY PLUGIN_URI
-- A new session on the dummy back end with Calyx2 on a MIDI track, fed by the "Calyx2 Test Notes"
-- generator, exported to WORK_DIRECTORY/export/calyx2.wav (CD format: 44.1 kHz, 16 bit).
local work, uri = arg[1], arg[2]

local function fail (message)
	io.stderr:write ("FAIL: " .. message .. "\n")
	os.exit (1)
end

if AudioEngine:set_backend ("None (Dummy)", "", ""):isnil () then fail ("no dummy back end") end
local session = create_session (work .. "/session", "calyx2", 48000)
if not session then fail ("cannot create a session") end

local info = ARDOUR.LuaAPI.new_plugin_info (uri, ARDOUR.PluginType.LV2)
if info:isnil () then fail ("Ardour does not find " .. uri) end
local midi = ARDOUR.ChanCount (ARDOUR.DataType ("midi"), 1)
local stereo = ARDOUR.ChanCount (ARDOUR.DataType ("audio"), 2)
local tracks = session:new_midi_track (midi, stereo, true, info, nil, nil, 1, "Calyx2",
	ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true, false)
if tracks:size () ~= 1 then fail ("no MIDI track") end
local track = tracks:front ()
local calyx2 = track:nth_plugin (0)
if calyx2:isnil () or calyx2:name () ~= "Calyx2" then fail ("Calyx2 is not on the track") end

-- The factory programs are in Ardour's preset list; apply the first, then switch the delay off so
-- that no echo of one note sounds under the next.
local plugin = calyx2:to_insert ():plugin (0)
for _, name in ipairs ({ "Soft Brass", "Wanna play my flute baby", "A Woody on the Trail" }) do
	if not plugin:preset_by_label (name).valid then fail ("Ardour does not list the preset " .. name) end
end
if not plugin:load_preset (plugin:preset_by_label ("Soft Brass")) then
	fail ("Ardour cannot load a preset")
end
if not ARDOUR.LuaAPI.set_processor_param (calyx2, 66, 0) then fail ("cannot set D_LVL") end

local notes = ARDOUR.LuaAPI.new_luaproc (session, "Calyx2 Test Notes")
if notes:isnil () then fail ("the note generator script is not found") end
if track:add_processor_by_index (notes, 0, nil, true) ~= 0 then fail ("cannot add the note generator") end

local export = session:simple_export ()
if not export:set_preset ("df340c53-88b5-4342-a1c8-58e0704872ea") then fail ("no CD export preset") end
export:set_range (0, math.floor (3.5 * 48000))
export:set_folder (work .. "/export")
export:set_name ("calyx2")
if not export:check_outputs () then fail ("the session has no outputs to export") end
if not export:run_export () then fail ("the export failed") end
close_session ()
