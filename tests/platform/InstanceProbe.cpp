// A program that takes part in the single-instance decision:
//   InstanceProbe first <name>   must become the first instance; prints "ready"
//                                and then "activated <n>" for each activation
//   InstanceProbe second <name>  exits 0 when it was the second instance, 3 if not
#include "platform/SingleInstance.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    zk::platform::SingleInstance instance(QString::fromLocal8Bit(argv[2]));
    const auto role = instance.Start();
    if (std::strcmp(argv[1], "second") == 0)
        return role == zk::platform::SingleInstance::Role::Second ? 0 : 3;
    if (role != zk::platform::SingleInstance::Role::First || !instance.IsListening())
        return 3;
    int count = 0;
    QObject::connect(&instance, &zk::platform::SingleInstance::activated, [&count] {
        std::printf("activated %d\n", ++count);
        std::fflush(stdout);
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
