#pragma once

namespace vardeck {

// Common base of the model classes and the control systems.
class ModelObject {
public:
    virtual ~ModelObject() = default;
};

}  // namespace vardeck
