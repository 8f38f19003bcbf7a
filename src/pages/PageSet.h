#pragma once

// The pages of the main window: created from the one registration list in
// PageSet.cpp, handed the notifications of the controls they claim, and
// refreshed by device kind after the transfers.

#include "pages/Page.h"

#include <memory>
#include <vector>

namespace zk::pages {

class PageSet {
public:
    // Creates every registered page over the controls below `window`.
    PageSet(QWidget* window, const Sessions& sessions, PageServices& services);
    ~PageSet();
    PageSet(const PageSet&) = delete;
    PageSet& operator=(const PageSet&) = delete;

    // Hands `msg` to the first page that claims its sender; true when that
    // page acted on it.
    bool Route(ui::TNotifyUI& msg);
    // Refreshes every page of `kind`, in registration order.
    void Refresh(DeviceKind kind);

    // The registered page of type P, or null.
    template <class P> P* Find() const {
        for (const auto& page : pages_)
            if (auto* found = dynamic_cast<P*>(page.get()))
                return found;
        return nullptr;
    }

private:
    std::vector<std::unique_ptr<Page>> pages_;
};

} // namespace zk::pages
