#include "editor/EditorBase.h"
