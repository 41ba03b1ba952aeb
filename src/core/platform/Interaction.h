#pragma once
// Questions that core code must put to the user while it runs. The GUI
// answers them with dialogs; tests and the command line answer them with
// scripted or fixed choices. Core code never opens a window itself.

#include <string>
#include <vector>

namespace vx {

struct AlertSpec {
    std::string title;
    std::string message;
    std::string informative;
    std::vector<std::string> buttons; // first is the default
    bool applicationModal = false;
};

class UserInteraction {
public:
    virtual ~UserInteraction() = default;

    // Offers the channels of a multi-channel file; returns the chosen index
    // (0-based) or -1 when the user cancels.
    virtual int chooseChannel(const std::vector<std::string>& items) = 0;

    // Shows an alert; returns 1 for the first button, 0 for the second and
    // -1 for the third.
    virtual int alert(const AlertSpec& request) = 0;
};

// Answers every question the same way: a fixed channel, the default button.
class FixedAnswers : public UserInteraction {
public:
    explicit FixedAnswers(int channel = 0) : m_channel(channel) {}
    int chooseChannel(const std::vector<std::string>& items) override
    {
        return m_channel < static_cast<int>(items.size()) ? m_channel : -1;
    }
    int alert(const AlertSpec&) override { return 1; }

private:
    int m_channel;
};

} // namespace vx
