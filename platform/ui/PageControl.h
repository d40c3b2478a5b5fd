// The page control of the headless model: tabbed pages, one active at a time.
// Only the controls of the active page are showing, so a person must select a
// page before acting on its controls.
//
// When the events fire: OnChanging(sender, allowChange) and then, when allowed,
// OnChange(sender), only when a person selects another page (SelectPage in
// UserActions.h). OnChanging runs while the page being left is still active and
// may refuse by setting allowChange to false; an exception from it also leaves
// the page as it was. Setting the active page by code fires nothing.
#pragma once

#include "platform/ui/Control.h"

namespace ui {

class PageControl;

// One page; its controls are its children. Create pages with
// PageControl::AddPage.
class COM_API TabSheet : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::TabSheet; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  // A page without its tab cannot be selected by a person.
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool visible);
  PageControl& Pages() const;
  // Position among the pages of its page control.
  int PageIndex() const;

 private:
  std::string caption_;
  bool tabVisible_ = true;
};

class COM_API PageControl : public Control {
 public:
  ControlKind Kind() const override { return ControlKind::PageControl; }

  // A new last page; the first page added becomes the active one.
  TabSheet& AddPage(std::string name, std::string caption);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  // std::out_of_range outside 0..PageCount()-1.
  TabSheet& Page(int index) const;

  TabSheet* ActivePage() const { return active_; }
  int ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }
  // By code: no events. The page must be one of this control's.
  void SetActivePage(TabSheet* page);
  void SetActivePageIndex(int index);

  std::function<void(PageControl& sender, bool& allowChange)> OnChanging;
  NotifyEvent OnChange;

  // A person's page change without the checks of UserActions.h: OnChanging,
  // then, when allowed, the change and OnChange. Returns whether the page
  // changed.
  bool ChangePage(TabSheet& page);

 private:
  std::vector<TabSheet*> pages_;
  TabSheet* active_ = nullptr;
};

}  // namespace ui
