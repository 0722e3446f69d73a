// Something besides the four files that follows the forms a run selects.
#ifndef REPORTS_SELECTIONLISTENER_H
#define REPORTS_SELECTIONLISTENER_H

#include "search/form.h"

namespace reports {

/// An export, or the counts of the map window.
class SelectionListener {
public:
    virtual ~SelectionListener() = default;
    /// A selected form, whose last line is last, with its selection number; its lines live
    /// until the call returns.
    virtual void formSelected(const search::Form& form, int last, long long selection) = 0;
};

} // namespace reports

#endif // REPORTS_SELECTIONLISTENER_H
