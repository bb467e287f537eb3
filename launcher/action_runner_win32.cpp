#include "launcher_state.h"
#include "workers.h"

// Not built yet: the job is dropped and the slot freed, so the page can ask again.
void runAction(ActionJob* job) {
    delete job;
    state.actionBusy.store(0);
}
