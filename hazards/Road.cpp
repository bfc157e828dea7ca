// The road test, run at the end of every tick of the 40 ms lane timer.

#include "game/frmLilyhops.h"

namespace lilyhops {

void frmLilyhops::CheckCars() {
    struct Lane {
        std::int16_t row;
        std::initializer_list<int> cars;
    };
    const Lane lanes[] = {{2, {1, 2, 3}}, {3, {4, 5, 6, 10}}, {4, {7}}, {5, {8, 9}}};
    for (const Lane& lane : lanes) {
        for (int n : lane.cars) {
            const Sprite& car = imgCar(n);
            // The closed spans only have to meet: touching edges are a hit.
            // The toad is read afresh, as an earlier hit may have moved it.
            float reachesCar = car.Left - imgFrog.Width;
            float carEnd = car.Left + car.Width;
            if (frogRow == lane.row && reachesCar <= imgFrog.Left && carEnd >= imgFrog.Left)
                SquashOff();
        }
    }
}

} // namespace lilyhops
