#include "ui/Component.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) {
        owner_->components_.push_back(this);
        // A component created inside its owner's definition loads with it.
        loading_ = owner_->loading_;
    }
}

TComponent::~TComponent() {
    destroying_ = true;
    if (owner_) {
        auto& siblings = owner_->components_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    for (TComponent* child : components_)
        child->owner_ = nullptr;
}

void TComponent::BeginLoading() {
    loading_ = true;
    for (TComponent* child : components_)
        child->BeginLoading();
}

void TComponent::EndLoading() {
    ClearLoading();
    NotifyLoaded();
}

void TComponent::ClearLoading() noexcept {
    loading_ = false;
    for (TComponent* child : components_)
        child->ClearLoading();
}

void TComponent::NotifyLoaded() {
    // Copy: a Loaded() handler may create or destroy components.
    std::vector<TComponent*> children = components_;
    for (TComponent* child : children)
        child->NotifyLoaded();
    Loaded();
}
