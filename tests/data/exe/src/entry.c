/* The whole program: the fixtures exist for their headers and resources, not for what they do. */
int entry(void)
{
    return 0;
}
