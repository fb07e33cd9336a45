#pragma once
// The main window as the wizard controller sees it: the items engines write to, plus
// the few reads and panel operations the wizard's own steps need.
#include "app/WindowItems.h"

#include <string>
#include <thread>
#include <vector>

namespace qr::app {

class WizardView : public WindowItems {
public:
    // Text of an edit field or label (start and end sector fields, folder field).
    virtual std::string itemText(int itemId) = 0;
    // Index of the chosen entry of a combo-box item; -1 when none.
    virtual int selectedEntry(int itemId) = 0;
    // Checks or clears a radio-button item.
    virtual void checkItem(int itemId, bool checked) = 0;
    virtual void focusItem(int itemId) = 0;
    // The check marks of the rows of a check list (the raw mode's file types); empty
    // when the item has none.
    virtual std::vector<bool> checkedRows(int /*itemId*/) { return {}; }
    // Replaces the rows of a one-column text list (the summary list).
    virtual void setListRows(int itemId, const std::vector<std::string>& rows) = 0;
    // Empties the right-panel list and gives it a single column.
    virtual void setSingleColumn(int itemId, const std::string& title, int width) = 0;
    // Closes the main window, which ends the process.
    virtual void closeWindow() = 0;
    // Stops a running worker and waits for it. A window that the worker may be waiting
    // on (a question, a tree update) keeps serving it while it waits.
    virtual void stopWorker(std::jthread& worker) {
        worker.request_stop();
        if (worker.joinable())
            worker.join();
    }
};

} // namespace qr::app
