#include "platform/ui/PageControl.h"

#include <algorithm>

namespace ui {

void TabSheet::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Changed(Property::Caption);
}

void TabSheet::SetTabVisible(bool visible) {
  if (tabVisible_ == visible) return;
  tabVisible_ = visible;
  Changed(Property::Visible);
}

PageControl& TabSheet::Pages() const { return static_cast<PageControl&>(*Parent()); }

int TabSheet::PageIndex() const {
  const PageControl& pages = Pages();
  for (int i = 0; i < pages.PageCount(); ++i)
    if (&pages.Page(i) == this) return i;
  return -1;
}

TabSheet& PageControl::AddPage(std::string name, std::string caption) {
  TabSheet& page = Add<TabSheet>(std::move(name));
  page.SetCaption(std::move(caption));
  pages_.push_back(&page);
  if (!active_) SetActivePage(&page);
  return page;
}

TabSheet& PageControl::Page(int index) const {
  if (index < 0 || index >= PageCount()) throw std::out_of_range("no page " + std::to_string(index));
  return *pages_[static_cast<size_t>(index)];
}

void PageControl::SetActivePage(TabSheet* page) {
  if (page && std::find(pages_.begin(), pages_.end(), page) == pages_.end())
    throw std::invalid_argument("the page is not one of " + Name());
  if (active_ == page) return;
  active_ = page;
  Changed(Property::ActivePage);
}

void PageControl::SetActivePageIndex(int index) { SetActivePage(index < 0 ? nullptr : &Page(index)); }

bool PageControl::ChangePage(TabSheet& page) {
  if (&page == active_) return false;
  bool allow = true;
  if (OnChanging) OnChanging(*this, allow);
  if (!allow) return false;
  SetActivePage(&page);
  if (OnChange) OnChange(*this);
  return true;
}

}  // namespace ui
