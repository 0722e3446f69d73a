// A command of the main window that runs long, an import or a harvest: Break and the close box stop it.
#ifndef APP_LONGCOMMAND_H
#define APP_LONGCOMMAND_H

namespace app {

class LongCommand {
public:
    virtual ~LongCommand() = default;
    /// Asks the command to stop as soon as it safely can.
    virtual void requestStop() = 0;
};

} // namespace app

#endif // APP_LONGCOMMAND_H
