// The example application that carafe starts: it prints a greeting, its
// arguments and one system property that its configuration sets.
public class Hello {
    public static void main(String[] args) {
        System.out.println("Hello from " + System.getProperty("hello.greeter", "Java")
                + " on Java " + System.getProperty("java.version"));
        for (String argument : args) {
            System.out.println("argument: " + argument);
        }
    }
}
