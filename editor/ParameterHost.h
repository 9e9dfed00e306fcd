// What the editor needs from the object that owns the parameters: read a value, and set one on
// the user's behalf (which also reports the change to the host as automation).
#pragma once

class ParameterHost {
  public:
    virtual ~ParameterHost() = default;
    virtual float getParameter(int index) = 0;
    virtual void setParameterAutomated(int index, float value) = 0;
};
