// Components: objects owned by a form (timers, tray icons, menus, controls) that are configured
// by the form's definition. While the definition loads, a component only records properties whose
// effect reaches outside it; when loading ends, Loaded() applies them.
#pragma once

#include <string>
#include <vector>

class TComponent {
public:
    explicit TComponent(TComponent* owner);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const noexcept { return owner_; }
    const std::vector<TComponent*>& Components() const noexcept { return components_; }

    // True from the start of the owner's definition until Loaded() runs.
    bool Loading() const noexcept { return loading_; }
    // True once destruction has begun; handlers must not be called any more.
    bool Destroying() const noexcept { return destroying_; }
    // There is no form designer: the program is always running.
    static constexpr bool Designing() noexcept { return false; }

    // Opens the loading bracket for this component and everything it owns.
    void BeginLoading();
    // Closes it: first every loading flag is cleared, then Loaded() runs for each component in
    // creation order, this one last.
    void EndLoading();

protected:
    // The end-of-loading notification; the loading state is already cleared when it runs.
    virtual void Loaded() {}
    // Call first in the destructor of a component that must stop calling out while it dies.
    void MarkDestroying() noexcept { destroying_ = true; }

private:
    void ClearLoading() noexcept;
    void NotifyLoaded();

    TComponent* owner_;
    std::vector<TComponent*> components_;
    bool loading_ = false;
    bool destroying_ = false;
};
