// What the processor running us offers beyond the baseline the binaries are built for.
#pragma once

bool processorHasAvx2();
