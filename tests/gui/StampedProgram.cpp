// A program file carrying a version stamp other than the product's, for the About box tests.
int main()
{
    return 0;
}
