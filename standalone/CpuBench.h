// --bench: what the application costs at full polyphony, as a share of one core, with the plug-in
// rendering alone and again with the window open and its event loop running.
#pragma once

int runCpuBench(double seconds);
