// Runs a program and prints the most memory it held (its peak resident size, in bytes)
// on the last line of stderr; exits with the program's exit status. Tests cannot read a
// child's peak themselves: a child forked from the test counts the test's own memory.
//   peak_memory PROGRAM [ARGUMENT...]

#include <cstdio>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 125;
    const pid_t child = fork();
    if (child < 0)
        return 125;
    if (child == 0) {
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return 125;
    std::fprintf(stderr, "%lld\n", static_cast<long long>(usage.ru_maxrss) * 1024);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 126;
}
