// What a search run needs from its user interface.
#ifndef SEARCH_RUNHOST_H
#define SEARCH_RUNHOST_H

#include <string>

namespace search {

/// Implemented by the main window, the command-line program and the tests. All calls come
/// from the thread that runs the search.
class RunHost {
public:
    virtual ~RunHost() = default;
    /// Lets pending user events run; called at every terminator line, before the break test.
    virtual void yield() = 0;
    /// Shows the progress box.
    virtual void showProgress() = 0;
    /// Replaces the text of the progress box.
    virtual void setProgressText(const std::string& text) = 0;
    /// Asks a Yes/No question; true for Yes.
    virtual bool ask(const std::string& question) = 0;
    /// Shows a message with an OK button.
    virtual void message(const std::string& text) = 0;
    /// Shows or hides the three view buttons.
    virtual void setViewButtonsVisible(bool visible) = 0;
    /// Running: the file and Search commands disabled, Break enabled; idle: the reverse.
    virtual void setRunning(bool running) = 0;
    /// The text of the option box, read at every selected form as the line probe.
    virtual std::string probeText() = 0;
    /// Whether the user asked the run to stop by other means than the Break command (a signal
    /// to the command-line program); tested with the break flag.
    virtual bool stopRequested() { return false; }
    /// Called before a step that may take long without a form end (emptying the large reports
    /// of an earlier run): a window lets its pending events run now. By default nothing.
    virtual void beforeLongStep() {}
};

} // namespace search

#endif // SEARCH_RUNHOST_H
