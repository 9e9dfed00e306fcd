// The panel labels its controls with names of its own; the host hears the parameter table's.
#include <gtest/gtest.h>

#include <string>

#include "editor/PanelLayout.h"
#include "plugin/ParameterTable.h"

TEST(PanelNames, EveryRowShowsItsParametersNameFromTheTable) {
    for (std::size_t row = 0; row < panelLayoutSize; ++row) {
        const ControlLayout& control = panelLayout[row];
        ASSERT_GE(control.parameter, 0) << "row " << row;
        ASSERT_LT(control.parameter, param::Count) << "row " << row;
        EXPECT_EQ(std::string(control.name), kParameterTable[control.parameter].name) << "row " << row;
    }
}
