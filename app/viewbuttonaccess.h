// The view buttons as assistive technology sees them: buttons named by their captions.
#ifndef APP_VIEWBUTTONACCESS_H
#define APP_VIEWBUTTONACCESS_H

namespace app {

/// The property that marks a label drawn as a view button.
inline constexpr char kViewButtonProperty[] = "morvexViewButton";

/// Makes every label marked with kViewButtonProperty a button to assistive technology, with its
/// accessible name (or caption) as name and a press action that sends it the Space key. Once
/// per program.
void installViewButtonAccess();

} // namespace app

#endif // APP_VIEWBUTTONACCESS_H
