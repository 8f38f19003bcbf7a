#include "app/AppMain.h"

int main(int argc, char** argv) {
    return zk::app::RunApplication(argc, argv);
}
