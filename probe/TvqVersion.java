// Answers whether the VM running it meets one of the requirement alternatives
// <version>:<vendor>:<os> given as arguments: prints YES or NO and exits with
// 314 or 159. It must load and run on a Java 1.0 VM, so it uses only what the
// 1.0 class library has: no string +, no class literals, no boxing.
// Built at class-file version 45.3 by tools/classfile/make_class45.py.
class TvqVersion {
    public static void bail(String ret) {
        System.out.print(ret);
        System.out.print(System.getProperty("line.separator", "\n"));
        int value = 159;
        if (ret.equals("YES"))
            value = 314;
        System.exit(value);
    }

    public static void main(String[] a) {
        for (int i = 0; i < a.length; i++) {
            String alt = a[i];
            // An alternative with fewer than two ':' is malformed: it can
            // never be met, and an exception here would end the run with a
            // stack trace instead of an answer.
            int idx = alt.indexOf(':');
            if (idx < 0)
                continue;
            String ver = alt.substring(0, idx);
            idx++;
            int vidx = alt.indexOf(':', idx);
            if (vidx < 0)
                continue;
            String vend = alt.substring(idx, vidx);
            vidx++;
            String os = alt.substring(vidx, alt.length());

            // The old forms come first and keep their meaning, so "1.1+" is
            // still the event-class test; only fields they never accepted
            // can be version ranges.
            if (ver.startsWith("1.1") || ver.startsWith("1.2")) {
                // The event classes arrived with 1.1; named by string only,
                // so verifying this class never needs them.
                Class c = null;
                try {
                    c = Class.forName("java.awt.event.ActionEvent");
                } catch (Throwable t) {
                }
                if (c == null)
                    continue;
            } else if (!ver.startsWith("1.0") && !ver.startsWith("A")) {
                if (!inVersionRange(ver))
                    continue;
            }

            if (!vend.equals("A")) {
                if (!System.getProperty("java.vendor", "").startsWith(vend))
                    continue;
            }
            if (!os.equals("A")) {
                if (!System.getProperty("os.name", "").startsWith(os))
                    continue;
            }
            bail("YES");
        }
        bail("NO");
    }

    // "N+": the VM's feature version is N or more; "N-M": from N to M, both
    // included, so "17-8" is met by no VM. Any other field is never met.
    static boolean inVersionRange(String ver) {
        int last = ver.length() - 1;
        boolean open = last >= 0 && ver.charAt(last) == '+';
        int low;
        int high = 0;
        if (open) {
            low = versionNumber(ver.substring(0, last), true);
        } else {
            int dash = ver.indexOf('-');
            if (dash < 0)
                return false;
            low = versionNumber(ver.substring(0, dash), true);
            high = versionNumber(ver.substring(dash + 1, ver.length()), true);
            if (high < 0)
                return false;
        }
        if (low < 0)
            return false;
        int feature = featureVersion();
        return feature >= low && (open || feature <= high);
    }

    // java.class.version is the newest class-file version the VM runs, one
    // more for each Java from 1.2 (46) on: "52.0" is Java 8, "61.0" Java 17.
    // VMs before 1.2 all run 45, so their java.version ("1.1.8", "1.0.2")
    // gives 1 or 0. -1 when neither property holds a number.
    static int featureVersion() {
        int classVersion = versionNumber(System.getProperty("java.class.version", ""), false);
        if (classVersion > 45)
            return classVersion - 44;
        return versionNumber(System.getProperty("java.version", ""), false);
    }

    // The number in "8" or "1.8", both 8, as Java writes its versions before
    // 9 and after. With whole set the text must be just that number; else
    // what follows it is ignored ("1.1.8" gives 1, "17.0.2" 17). ASCII digits
    // only, leading zeros allowed; -1 for no number or one above 999999999,
    // so that no value overflows and a VM never reads one differently from
    // another.
    static int versionNumber(String text, boolean whole) {
        int at = 0;
        if (text.startsWith("1.") && text.length() > 2)
            at = 2;
        int start = at;
        int value = 0;
        while (at < text.length()) {
            char c = text.charAt(at);
            if (c < '0' || c > '9')
                break;
            if (value > 99999999)
                return -1;
            value = value * 10 + (c - '0');
            at++;
        }
        if (at == start || (whole && at != text.length()))
            return -1;
        return value;
    }

    TvqVersion() {
    }
}
