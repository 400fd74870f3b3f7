// Runs a class as a Java VM of another feature version would, for stand-ins
// of VMs that this machine does not have: AsVersion N Class args...
public class AsVersion {
    public static void main(String[] args) throws Exception {
        System.setProperty("java.class.version", (Integer.parseInt(args[0]) + 44) + ".0");
        String[] rest = java.util.Arrays.copyOfRange(args, 2, args.length);
        Class.forName(args[1]).getMethod("main", String[].class).invoke(null, (Object) rest);
    }
}
