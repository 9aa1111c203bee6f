#pragma once

#include "model/model_object.h"

namespace vardeck {

// What the building reports as its buttons are pressed and answered: a control system listens.
class BuildingListener : public ModelObject {
public:
    virtual void hallCallAdded(int floor, int dir) = 0;
    virtual void hallCallCleared(int floor, int dir) = 0;
    virtual void carCallAdded(int floor) = 0;
};

}  // namespace vardeck
