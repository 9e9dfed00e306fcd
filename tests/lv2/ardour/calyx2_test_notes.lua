ardour {
	["type"]    = "dsp",
	name        = "Calyx2 Test Notes",
	category    = "Utility",
	license     = "MIT",
	author      = "Calyx2 tests",
	description = [[Plays three fixed notes at fixed session times while the transport rolls.]]
}

function dsp_ioconfig ()
	return { { midi_in = 1, midi_out = 1, audio_in = 0, audio_out = 0 } }
end

-- MIDI note, start and end in seconds of session time. check-pitch is told the same.
local notes = { { 69, 0.25, 1.0 }, { 76, 1.25, 2.0 }, { 57, 2.25, 3.0 } }
local rate = 48000

function dsp_init (sample_rate)
	rate = sample_rate
end

function dsp_run (_, _, n_samples)
	if not Session:transport_rolling () then return end
	local position = Session:transport_sample ()
	local count = 1
	for _, note in ipairs (notes) do
		for edge = 1, 2 do
			local at = math.floor (note[edge + 1] * rate) - position
			if at >= 0 and at < n_samples then
				midiout[count] = { time = at + 1, data = { edge == 1 and 0x90 or 0x80, note[1], 100 } }
				count = count + 1
			end
		end
	end
end
