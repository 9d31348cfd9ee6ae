#include "tests/support/SmallStack.h"

#include <exception>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace {

struct Job {
    const std::function<void()>* action;
    std::exception_ptr error;
};

void RunJob(Job& job) {
    try {
        (*job.action)();
    } catch (...) {
        job.error = std::current_exception();
    }
}

#ifdef _WIN32
DWORD WINAPI ThreadMain(void* job) {
    RunJob(*static_cast<Job*>(job));
    return 0;
}
#else
void* ThreadMain(void* job) {
    RunJob(*static_cast<Job*>(job));
    return nullptr;
}
#endif

} // namespace

void RunOnSmallStack(const std::function<void()>& action, std::size_t stackBytes) {
    Job job{&action, nullptr};
#ifdef _WIN32
    // Without the reservation flag the size would only be the first commit of the default stack.
    HANDLE thread =
        CreateThread(nullptr, stackBytes, ThreadMain, &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateThread");
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
#else
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    int status = pthread_attr_setstacksize(&attributes, stackBytes);
    pthread_t thread;
    if (status == 0)
        status = pthread_create(&thread, &attributes, ThreadMain, &job);
    pthread_attr_destroy(&attributes);
    if (status != 0)
        throw std::system_error(status, std::generic_category(), "pthread_create");
    pthread_join(thread, nullptr);
#endif
    if (job.error)
        std::rethrow_exception(job.error);
}
